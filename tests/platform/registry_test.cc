// The registry tree, its text form, and safe updates of the registry file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/registry.h"
#include "platform/com/registry_file.h"

namespace qorv::platform {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(Registry, TextFormRoundTripsKeysValuesAndEscapes) {
  RegistryKey root;
  RegistryKey* key = root.Create("CLSID\\{ABC}\\InprocServer32");
  ASSERT_NE(key, nullptr);
  ASSERT_TRUE(key->SetValue("", "/opt/a \"b\"\\c\nd"));
  ASSERT_TRUE(key->SetValue("ThreadingModel", "Apartment"));
  ASSERT_NE(root.Create("CLSID\\{ABC}\\Programmable"), nullptr);  // an empty key is kept

  std::string text = SerializeRegistry(root);
  RegistryKey parsed;
  std::string error;
  ASSERT_TRUE(ParseRegistry(text, &parsed, &error)) << error;
  EXPECT_EQ(SerializeRegistry(parsed), text);
  // Names compare ignoring case.
  const RegistryKey* server = parsed.Find("clsid\\{abc}\\INPROCSERVER32");
  ASSERT_NE(server, nullptr);
  EXPECT_EQ(*server->Value(""), "/opt/a \"b\"\\c\nd");
  EXPECT_EQ(*server->Value("threadingmodel"), "Apartment");
  EXPECT_NE(parsed.Find("CLSID\\{ABC}\\Programmable"), nullptr);

  EXPECT_TRUE(parsed.Remove("CLSID\\{abc}"));
  EXPECT_EQ(parsed.Find("CLSID\\{ABC}\\InprocServer32"), nullptr);
  EXPECT_NE(parsed.Find("CLSID"), nullptr);
  EXPECT_FALSE(parsed.Remove("CLSID\\{abc}"));
  EXPECT_EQ(root.Create("A\\\\B"), nullptr);  // empty component
  EXPECT_EQ(root.Create("A\nB"), nullptr);    // would break the text form
}

TEST(Registry, MalformedTextIsRefusedWithItsLine) {
  const char* const kBad[] = {
      "[A]\n@=\"x\"\n",                        // no header
      "QORV-REGISTRY 1\n@=\"x\"\n",            // value outside a key
      "QORV-REGISTRY 1\n[A]\n@=\"x\\q\"\n",    // unknown escape
      "QORV-REGISTRY 1\n[A]\n\"n\"=\"open\n",  // unterminated
      "QORV-REGISTRY 1\n[A\n",                 // key line not closed
  };
  for (const char* text : kBad) {
    RegistryKey root;
    std::string error;
    EXPECT_FALSE(ParseRegistry(text, &root, &error)) << text;
    EXPECT_NE(error.find("line "), std::string::npos);
  }
  RegistryKey empty;
  EXPECT_TRUE(ParseRegistry("", &empty, nullptr));  // an empty file is an empty registry
  EXPECT_TRUE(empty.IsEmpty());
}

class RegistryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    folder_ = fs::temp_directory_path() / ("qorv_registry_test_" + std::to_string(random()));
    path_ = (folder_ / "sub" / "registry.reg").string();
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::vector<std::string> FilesBeside() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(path_).parent_path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  fs::path folder_;
  std::string path_;
};

TEST_F(RegistryFileTest, UpdateCreatesTheFolderAndAFailedEditChangesNothing) {
  ASSERT_EQ(UpdateRegistryFile(path_,
                               [](RegistryKey& root) {
                                 root.Create("A")->SetValue("", "1");
                                 return S_OK;
                               }),
            S_OK);
  const std::string before = ReadText(path_);
  EXPECT_EQ(UpdateRegistryFile(path_,
                               [](RegistryKey& root) {
                                 root.Create("B");
                                 return E_FAIL;
                               }),
            E_FAIL);
  EXPECT_EQ(ReadText(path_), before);
  // Only the registry and its lock file: no temporary file is left behind.
  std::vector<std::string> files = FilesBeside();
  EXPECT_EQ(files.size(), 2u);

  RegistryKey root;
  ASSERT_EQ(ReadRegistryFile(path_, &root), S_OK);
  EXPECT_EQ(*root.Find("A")->Value(""), "1");
}

TEST_F(RegistryFileTest, ACorruptFileIsNeverOverwritten) {
  fs::create_directories(fs::path(path_).parent_path());
  std::ofstream(path_) << "not a registry\n";
  EXPECT_EQ(UpdateRegistryFile(path_, [](RegistryKey&) { return S_OK; }), REGDB_E_READREGDB);
  EXPECT_EQ(ReadText(path_), "not a registry\n");
  RegistryKey root;
  EXPECT_EQ(ReadRegistryFile(path_, &root), REGDB_E_READREGDB);
  // A missing file reads as empty.
  EXPECT_EQ(ReadRegistryFile((folder_ / "missing.reg").string(), &root), S_OK);
}

// "W<writer>K<key>".
std::string WriterKey(int writer, int key) {
  char name[32];
  std::snprintf(name, sizeof(name), "W%dK%d", writer, key);
  return name;
}

TEST_F(RegistryFileTest, ConcurrentWritersAllLand) {
  constexpr int kWriters = 8;
  constexpr int kKeysEach = 10;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([this, w] {
      for (int k = 0; k < kKeysEach; ++k) {
        std::string name = WriterKey(w, k);
        EXPECT_EQ(UpdateRegistryFile(path_,
                                     [&](RegistryKey& root) {
                                       root.Create(name);
                                       return S_OK;
                                     }),
                  S_OK);
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  RegistryKey root;
  ASSERT_EQ(ReadRegistryFile(path_, &root), S_OK);
  for (int w = 0; w < kWriters; ++w) {
    for (int k = 0; k < kKeysEach; ++k) {
      EXPECT_NE(root.Find(WriterKey(w, k)), nullptr);
    }
  }
}

// Sets environment variables for one test and restores them afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name), old_(GetEnvVar(name)) {
    if (value != nullptr) {
      SetEnvVar(name, value);
    } else {
      UnsetEnvVar(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      SetEnvVar(name_, *old_);
    } else {
      UnsetEnvVar(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(RegistryLocation, ExplicitFileThenConfigFolderThenHome) {
  ScopedEnv home("HOME", "/home/someone");
  {
    ScopedEnv registry("QORV_REGISTRY", "/tmp/explicit.reg");
    ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(RegistryFilePath(), "/tmp/explicit.reg");
  }
  ScopedEnv registry("QORV_REGISTRY", "");
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(RegistryFilePath(), "/cfg/qorvsdk/registry.reg");
  }
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "relative/cfg");  // not absolute: ignored
    EXPECT_EQ(RegistryFilePath(), "/home/someone/.config/qorvsdk/registry.reg");
  }
}

TEST_F(RegistryFileTest, SystemRegistryLiesBeneathThePerUserOneUnlessOneFileIsNamed) {
  const std::string system = (folder_ / "etc" / "registry.reg").string();
  auto write = [](const std::string& path, const char* key, const char* value) {
    return UpdateRegistryFile(path, [&](RegistryKey& root) {
      root.Create(key)->SetValue("", value);
      return S_OK;
    });
  };
  ASSERT_EQ(write(system, "CLSID\\{X}\\InprocServer32", "/usr/lib/libqorvsdk.so.1"), S_OK);
  ASSERT_EQ(write(system, "Qorv.SDK\\CLSID", "{X}"), S_OK);
  ASSERT_EQ(write((folder_ / "cfg" / "qorvsdk" / "registry.reg").string(),
                  "CLSID\\{X}\\InprocServer32", "/home/me/build/libqorvsdk.so"),
            S_OK);

  ScopedEnv system_variable("QORV_SYSTEM_REGISTRY", system.c_str());
  ScopedEnv xdg("XDG_CONFIG_HOME", (folder_ / "cfg").c_str());
  {
    ScopedEnv registry("QORV_REGISTRY", "");
    RegistryKey root;
    ASSERT_EQ(ReadActiveRegistry(&root), S_OK);
    // The system file's key comes through; the user's value wins over it.
    ASSERT_NE(root.Find("Qorv.SDK\\CLSID"), nullptr);
    EXPECT_EQ(*root.Find("Qorv.SDK\\CLSID")->Value(""), "{X}");
    EXPECT_EQ(*root.Find("CLSID\\{X}\\InprocServer32")->Value(""), "/home/me/build/libqorvsdk.so");

    // A system file that does not parse is reported, not skipped.
    std::ofstream(system, std::ios::trunc) << "not a registry\n";
    RegistryKey broken;
    EXPECT_EQ(ReadActiveRegistry(&broken), REGDB_E_READREGDB);
  }
  {
    // A named registry is read alone: tests stay apart from the system's.
    ScopedEnv registry("QORV_REGISTRY", (folder_ / "own.reg").c_str());
    RegistryKey root;
    ASSERT_EQ(ReadActiveRegistry(&root), S_OK);
    EXPECT_TRUE(root.IsEmpty());
  }
  ScopedEnv unset("QORV_SYSTEM_REGISTRY", nullptr);
  EXPECT_EQ(SystemRegistryFilePath(), "/etc/qorvsdk/registry.reg");
}

}  // namespace
}  // namespace qorv::platform
