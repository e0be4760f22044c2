// Registration of the built module into a fresh registry file and
// activation through it, as an outside caller does it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>

#include "platform/com/module_loader.h"
#include "platform/com/registry.h"
#include "platform/com/registry_file.h"
#include "qorvsdk/activation.h"
#include "qorvsdk/guids.h"
#include "qorvsdk/items.h"
#include "qorvsdk/sdk.h"
#include "sdk_test_util.h"

namespace qorv::sdk {
namespace {

namespace fs = std::filesystem;

constexpr char kRegistryVariable[] = "QORV_REGISTRY";

std::string ClsidText(const CLSID& clsid) {
  OLECHAR text[40];
  StringFromGUID2(clsid, text, 40);
  return Utf16ToUtf8(text);
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    folder_ = fs::temp_directory_path() / ("qorv_registration_test_" + std::to_string(random()));
    fs::create_directories(folder_);
    registry_ = (folder_ / "registry.reg").string();
    std::ofstream(registry_).close();  // an empty registry file
    saved_ = platform::GetEnvVar(kRegistryVariable);
    platform::SetEnvVar(kRegistryVariable, registry_);
    module_ = platform::LoadModuleFile(QORV_TEST_MODULE_PATH);
    ASSERT_NE(module_, nullptr);
    can_unload_ = reinterpret_cast<DllCanUnloadNowFunc>(
        platform::FindModuleSymbol(module_, "DllCanUnloadNow"));
    ASSERT_NE(can_unload_, nullptr);
    ASSERT_EQ(QorvRegisterModule(QORV_TEST_MODULE_PATH), S_OK);
  }
  void TearDown() override {
    platform::UnloadModuleFile(module_);
    if (saved_) {
      platform::SetEnvVar(kRegistryVariable, *saved_);
    } else {
      platform::UnsetEnvVar(kRegistryVariable);
    }
    fs::remove_all(folder_);
  }

  platform::RegistryKey ReadRegistry() {
    platform::RegistryKey root;
    EXPECT_EQ(platform::ReadRegistryFile(registry_, &root), S_OK);
    return root;
  }

  static std::string ValueOf(const platform::RegistryKey& root, const std::string& path,
                             const char* name = "") {
    const platform::RegistryKey* key = root.Find(path);
    if (key == nullptr) return "<no key " + path + ">";
    const std::string* value = key->Value(name);
    return value != nullptr ? *value : "<no value>";
  }

  static CLSID ClassOf(const char16_t* prog_id) {
    CLSID clsid = {};
    EXPECT_EQ(QorvCLSIDFromProgID(prog_id, &clsid), S_OK);
    return clsid;
  }

  fs::path folder_;
  std::string registry_;
  std::optional<std::string> saved_;
  platform::ModuleHandle module_ = nullptr;
  DllCanUnloadNowFunc can_unload_ = nullptr;
};

TEST_F(RegistrationTest, WritesTheKeysOfEveryClassAndTheTypeLibrary) {
  platform::RegistryKey root = ReadRegistry();
  const std::string clsid = "{BD57D7BB-3BBD-4E20-A965-09B9A0221D93}";
  EXPECT_EQ(ClsidText(CLSID_QORVAddFile), clsid);
  EXPECT_EQ(ValueOf(root, "KeltoQorSDK.QORAddFile.1"), "QORAddFile Class");
  EXPECT_EQ(ValueOf(root, "KeltoQorSDK.QORAddFile.1\\CLSID"), clsid);
  EXPECT_EQ(ValueOf(root, "KeltoQorSDK.QORAddFile"), "QORAddFile Class");
  EXPECT_EQ(ValueOf(root, "KeltoQorSDK.QORAddFile\\CLSID"), clsid);
  EXPECT_EQ(ValueOf(root, "KeltoQorSDK.QORAddFile\\CurVer"), "KeltoQorSDK.QORAddFile.1");
  const std::string key = "CLSID\\" + clsid;
  EXPECT_EQ(ValueOf(root, key), "QORAddFile Class");
  EXPECT_EQ(ValueOf(root, key + "\\ProgID"), "KeltoQorSDK.QORAddFile.1");
  EXPECT_EQ(ValueOf(root, key + "\\VersionIndependentProgID"), "KeltoQorSDK.QORAddFile");
  EXPECT_NE(root.Find(key + "\\Programmable"), nullptr);
  EXPECT_EQ(ValueOf(root, key + "\\InprocServer32"), fs::canonical(QORV_TEST_MODULE_PATH).string());
  EXPECT_EQ(ValueOf(root, key + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(ValueOf(root, key + "\\TypeLib"), "{F8E3E44D-0723-4B39-ABAB-BAC8580EC6E8}");
  EXPECT_EQ(ValueOf(root, "TypeLib\\{F8E3E44D-0723-4B39-ABAB-BAC8580EC6E8}\\1.0"),
            "KeltoQorSDK 1.0 Type Library");

  // Every class: both ProgIDs lead to the class's CLSID.
  for (const ClassRegistration& entry : RegisteredClasses()) {
    SCOPED_TRACE(entry.prog_id);
    EXPECT_LE(std::string(entry.version_independent_prog_id).size(), 39u);
    EXPECT_EQ(ValueOf(root, std::string(entry.prog_id) + "\\CLSID"), ClsidText(entry.clsid));
    EXPECT_EQ(ValueOf(root, std::string(entry.version_independent_prog_id) + "\\CLSID"),
              ClsidText(entry.clsid));
  }
}

TEST_F(RegistrationTest, ActivationByEitherProgIdGivesTheSameClass) {
  EXPECT_EQ(ClassOf(u"KeltoQorSDK.QORAddFile"), CLSID_QORVAddFile);
  EXPECT_EQ(ClassOf(u"keltoqorsdk.qoraddfile.1"), CLSID_QORVAddFile);  // names ignore case
  // The sub-projects set goes by its two ProgIDs; the similar versioned
  // ProgID without the V is the single sub-project item.
  EXPECT_EQ(ClassOf(u"KeltoQorSDK.QORVSubProjectsFromParent.1"),
            CLSID_QORVSubProjectsFromParentSet);
  EXPECT_EQ(ClassOf(u"KeltoQorSDK.QORVSubProjectsFromParentSe"),
            CLSID_QORVSubProjectsFromParentSet);
  EXPECT_EQ(ClassOf(u"KeltoQorSDK.QORSubProjectsFromParent.1"), CLSID_QORVSubProjectsFromParent);
  EXPECT_EQ(ClassOf(u"KeltoQorSDK.QorSDK"), CLSID_QORVSDK);
  EXPECT_EQ(ClassOf(u"KeltoQorSDK.QorSDK.1"), CLSID_QORVSDK);
  {
    platform::RegistryKey root = ReadRegistry();
    EXPECT_EQ(ValueOf(root, "KeltoQorSDK.QorSDK\\CurVer"), "KeltoQorSDK.QorSDK.1");
    EXPECT_EQ(ValueOf(root, "KeltoQorSDK.QorSDK"), "QorSDK Class");
  }
  IQORVSDK* sdk = nullptr;
  ASSERT_EQ(QorvCoCreateInstance(ClassOf(u"KeltoQorSDK.QorSDK"), nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IQORVSDK, reinterpret_cast<void**>(&sdk)),
            S_OK);
  EXPECT_EQ(can_unload_(), S_FALSE);
  sdk->Release();

  IQORVAddFile* item = nullptr;
  ASSERT_EQ(
      QorvCoCreateInstance(ClassOf(u"KeltoQorSDK.QORAddFile.1"), nullptr, CLSCTX_INPROC_SERVER,
                           IID_IQORVAddFile, reinterpret_cast<void**>(&item)),
      S_OK);
  ASSERT_EQ(item->put_LocalFileName(Text("/w/a")), S_OK);
  BSTR name = nullptr;
  ASSERT_EQ(item->get_LocalFileName(&name), S_OK);
  EXPECT_EQ(TakeText(name), "/w/a");

  IQORVSubProjectsFromParentSet* set = nullptr;
  ASSERT_EQ(QorvCoCreateInstance(ClassOf(u"KeltoQorSDK.QORVSubProjectsFromParentSe"), nullptr,
                                 CLSCTX_INPROC_SERVER, IID_IQORVSubProjectsFromParentSet,
                                 reinterpret_cast<void**>(&set)),
            S_OK);

  // The module stays while any object lives, even a result collection.
  EXPECT_EQ(can_unload_(), S_FALSE);
  item->Release();
  EXPECT_EQ(can_unload_(), S_FALSE);
  set->Release();
  EXPECT_EQ(can_unload_(), S_OK);
  QorvCoFreeUnusedLibraries();

  CLSID clsid = {};
  EXPECT_EQ(QorvCLSIDFromProgID(u"KeltoQorSDK.NoSuchClass", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(QorvCLSIDFromProgID(u"CLSID\\{BD57D7BB-3BBD-4E20-A965-09B9A0221D93}", &clsid),
            CO_E_CLASSSTRING);
  void* object = nullptr;
  EXPECT_EQ(
      QorvCoCreateInstance(IID_IDispatch, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
      REGDB_E_CLASSNOTREG);
}

TEST_F(RegistrationTest, UnregistrationRemovesTheClassesButNotTheClsidKey) {
  ASSERT_EQ(QorvUnregisterModule(QORV_TEST_MODULE_PATH), S_OK);
  platform::RegistryKey root = ReadRegistry();
  EXPECT_EQ(root.Find("KeltoQorSDK.QORAddFile.1"), nullptr);
  EXPECT_EQ(root.Find("KeltoQorSDK.QORAddFile"), nullptr);
  EXPECT_EQ(root.Find("CLSID\\" + ClsidText(CLSID_QORVAddFile)), nullptr);
  EXPECT_NE(root.Find("CLSID"), nullptr);
  EXPECT_EQ(root.Find("TypeLib\\{F8E3E44D-0723-4B39-ABAB-BAC8580EC6E8}"), nullptr);

  CLSID clsid = {};
  EXPECT_EQ(QorvCLSIDFromProgID(u"KeltoQorSDK.QORAddFile", &clsid), CO_E_CLASSSTRING);
  void* object = nullptr;
  EXPECT_EQ(
      QorvCoCreateInstance(CLSID_QORVAddFile, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
      REGDB_E_CLASSNOTREG);
  EXPECT_EQ(QorvRegisterModule((folder_ / "missing.so").string().c_str()), CO_E_DLLNOTFOUND);
}

}  // namespace
}  // namespace qorv::sdk
