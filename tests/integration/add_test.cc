// AddFiles and AddFolder through the interface against the reference
// server: new files and their cache records, the deleted-copy question with
// each answer, names and types the server refuses, whole folders, and a file
// that changes while it is read.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "local/file_layer.h"
#include "platform/file_system_interface.h"
#include "sdk_fixture.h"

namespace qorv::integration {
namespace {

namespace fs = std::filesystem;

using Outcome = SetOutcome;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

struct NewFile {
  std::string local;
  std::string server;
  Enum_FileType type = Enum_Autodetect;
};

class AddTest : public SdkTest {
 protected:
  void SetUp() override {
    MustCreateProject("$/P");
    client_ = LoggedInClient();
    folder_ = work_folder_ + "/src";
  }

  Outcome Add(const std::vector<NewFile>& files,
              Enum_AddFileDeletedCopyHandling handling = Enum_AddFileDeletedCopyHandlingAskAdd) {
    auto* set = sdk::CreateObject<IQORVAddFileSet>(CLSID_QORVAddFileSet, IID_IQORVAddFileSet);
    for (const NewFile& file : files) {
      auto* item = sdk::CreateObject<IQORVAddFile>(CLSID_QORVAddFile, IID_IQORVAddFile);
      item->put_LocalFileName(Text(file.local.c_str()));
      item->put_RemoteFileName(Text(file.server.c_str()));
      item->put_FileType(file.type);
      set->Add(item, nullptr);
      item->Release();
    }
    LONG result = -1;
    BSTR description = nullptr;
    VARIANT_BOOL canceled = 5;
    IQORVOperationResultSet* items = nullptr;
    EXPECT_EQ((*client_)->AddFiles(set, VARIANT_TRUE, 0, Enum_LF, handling, Text("new"), &canceled,
                                   &description, &items, &result),
              S_OK);
    set->Release();
    return CollectSet(result, description, items);
  }

  Outcome AddFolder(const std::string& project, const std::string& local, bool recursive) {
    LONG result = -1;
    BSTR description = nullptr;
    VARIANT_BOOL canceled = 5;
    IQORVOperationResultSet* items = nullptr;
    EXPECT_EQ((*client_)->AddFolder(Text(project.c_str()), Text(local.c_str()), Text("tree"),
                                    recursive ? VARIANT_TRUE : 0, 0, 0, Enum_LF, Enum_Autodetect,
                                    &canceled, &description, &items, &result),
              S_OK);
    return CollectSet(result, description, items);
  }

  // The server's current content of a file, fetched into a folder of its own.
  std::string ServerText(const std::string& path) {
    const std::string local = work_folder_ + "/check/" + std::to_string(++checks_);
    auto* result = sdk::CreateObject<IQORVOperationResult>(CLSID_QORVOperationResult,
                                                           IID_IQORVOperationResult);
    const std::string project = path.substr(0, path.rfind('/'));
    const std::string name = path.substr(path.rfind('/') + 1);
    LONG value = -1;
    BSTR description = nullptr;
    VARIANT_BOOL canceled = 5;
    server::FileGeneralInfo info;
    EXPECT_TRUE(db().FileInfo(path, &info).ok()) << path;
    (*client_)->GetOldVersionFile(Text(project.c_str()), Text(name.c_str()), info.version,
                                  Text(local.c_str()), 0, Enum_WritableFileHandlingReplace, Enum_LF,
                                  Enum_SetLocalFileTimeCurrent, nullptr, nullptr, &canceled,
                                  &description, result, &value);
    SysFreeString(description);
    result->Release();
    return ReadFile(local);
  }

  std::unique_ptr<SdkClient> client_;
  std::string folder_;
  int checks_ = 0;
};

TEST_F(AddTest, NewFilesArriveReadOnlyAndRefusedNamesAndTypesFailAlone) {
  ASSERT_TRUE(db().SetExcludedTypes("*.exe").ok());
  WriteFile(folder_ + "/a.txt", "alpha\n");
  WriteFile(folder_ + "/b.bin", std::string("\0\1\2", 3));
  WriteFile(folder_ + "/tool.exe", "MZ");
  WriteFile(folder_ + "/odd.txt", "odd\n");
  MustAddFile("$/P/taken.txt", "already\n");
  WriteFile(folder_ + "/taken.txt", "mine\n");
  client_->sink().Clear();
  const Outcome added = Add({{folder_ + "/a.txt", "$/P/a.txt"},
                             {folder_ + "/b.bin", "$/P/b.bin", Enum_Binary},
                             {folder_ + "/tool.exe", "$/P/tool.exe"},
                             {folder_ + "/odd.txt", "$/P/od:d.txt"},
                             {folder_ + "/taken.txt", "$/P/taken.txt"},
                             {folder_ + "/missing.txt", "$/P/missing.txt"}});
  ASSERT_EQ(added.result, 0) << added.description;
  ASSERT_EQ(added.items.size(), 6u);
  EXPECT_EQ(added.items[0].first, 0) << added.items[0].second;
  EXPECT_EQ(added.items[1].first, 0) << added.items[1].second;
  EXPECT_EQ(added.items[2].first, kResultFileTypeExcluded);
  EXPECT_EQ(added.items[3].first, kResultUnsafeServerName);
  EXPECT_EQ(added.items[3].second,
            "The name \"od:d.txt\" can not be used for an item on the server");
  EXPECT_EQ(added.items[4].first, kResultFileAlreadyInProject);
  EXPECT_EQ(added.items[4].second,
            "A file with the name $/P/taken.txt already exist. The file can not be added");
  EXPECT_EQ(added.items[5].first, kResultLocalFileNotFound);
  bool excluded_line = false;
  for (const auto& batch : client_->sink().batches) {
    for (const Line& line : batch) {
      excluded_line |= line == Line{false, "Adding " + folder_ +
                                               "/tool.exe... : The file type have been excluded "
                                               "in server"};
    }
  }
  EXPECT_TRUE(excluded_line);
  EXPECT_TRUE(db().FileExists("$/P/a.txt"));
  EXPECT_FALSE(db().FileExists("$/P/tool.exe"));
  EXPECT_EQ(ServerText("$/P/b.bin"), std::string("\0\1\2", 3));
  EXPECT_EQ(ServerText("$/P/taken.txt"), "already\n");
  EXPECT_EQ(fs::status(folder_ + "/a.txt").permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST_F(AddTest, TheDeletedCopyQuestionWithEachAnswer) {
  for (const char* name : {"r.txt", "p.txt", "c.txt"}) {
    MustAddFile(std::string("$/P/") + name, "old\n");
    ASSERT_TRUE(db().DeleteItem(Actor("alice"), std::string("$/P/") + name, false).ok());
    WriteFile(folder_ + "/" + name, "new\n");
  }
  std::vector<LONG> answers = {Enum_AddFileDeletedCopyHandlingRecover,
                               Enum_AddFileDeletedCopyHandlingPurge};
  std::vector<std::string> asked;
  client_->sink().on_event = [&](DISPID dispid) {
    if (dispid != DISPID_PromptRecoverOrPurgeDeletedCopy) return;
    BSTR information = nullptr;
    (*client_)->GetPromptRecoverOrPurgeDeletedCopy(&information);
    asked.push_back(TakeText(information));
    const LONG answer = answers.empty() ? 0 : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    (*client_)->SetPromptRecoverOrPurgeDeletedCopy(
        static_cast<Enum_AddFileDeletedCopyHandling>(answer), VARIANT_FALSE);
  };
  const Outcome added = Add({{folder_ + "/r.txt", "$/P/r.txt"}, {folder_ + "/p.txt", "$/P/p.txt"}});
  ASSERT_EQ(added.result, 0) << added.description;
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0],
            "A deleted copy of this $/P/r.txt file already exists in this project.\r\n"
            "Do you want to recover the existing file?");
  // Recovered: the old file is back and no body was sent; purged: the new
  // file replaces it.
  EXPECT_EQ(ServerText("$/P/r.txt"), "old\n");
  EXPECT_EQ(ServerText("$/P/p.txt"), "new\n");
  server::FileGeneralInfo info;
  ASSERT_TRUE(db().FileInfo("$/P/p.txt", &info).ok());
  EXPECT_EQ(info.version, 1);

  // Cancel stops before anything is sent.
  const Outcome canceled = Add({{folder_ + "/c.txt", "$/P/c.txt"}});
  EXPECT_EQ(canceled.result, kResultPromptCanceled);
  EXPECT_FALSE(db().FileExists("$/P/c.txt"));
}

TEST_F(AddTest, AddFolderCreatesProjectsAndPurgesDeletedCopiesWithoutAsking) {
  WriteFile(folder_ + "/top.txt", "top\n");
  WriteFile(folder_ + "/lib/inner.txt", "inner\n");
  WriteFile(folder_ + "/lib/deep/leaf.txt", "leaf\n");
  fs::create_directories(folder_ + "/bad:dir");
  WriteFile(folder_ + "/bad:dir/x.txt", "x\n");

  const Outcome shallow = AddFolder("$/P", folder_, false);
  ASSERT_EQ(shallow.result, 0) << shallow.description;
  EXPECT_TRUE(db().FileExists("$/P/src/top.txt"));
  EXPECT_FALSE(db().ProjectExists("$/P/src/lib"));

  ASSERT_TRUE(db().DeleteItem(Actor("alice"), "$/P/src/top.txt", false).ok());
  int prompts = 0;
  client_->sink().on_event = [&](DISPID dispid) {
    prompts += dispid == DISPID_PromptRecoverOrPurgeDeletedCopy ? 1 : 0;
  };
  const Outcome deep = AddFolder("$/P/", folder_ + "/", true);
  ASSERT_EQ(deep.result, 0) << deep.description;
  EXPECT_EQ(prompts, 0);
  EXPECT_TRUE(db().FileExists("$/P/src/top.txt"));
  EXPECT_EQ(ServerText("$/P/src/lib/deep/leaf.txt"), "leaf\n");
  EXPECT_FALSE(db().ProjectExists("$/P/src/bad:dir"));

  const Outcome missing = AddFolder("$/P", work_folder_ + "/nowhere", true);
  EXPECT_EQ(missing.result, kResultLocalFolderNotFound);
  EXPECT_EQ(missing.description, "Local folder not found");
}

// A file system on which a file grows right after its size was taken for
// an upload, as when another program writes it while it is read.
class GrowingFileSystem : public platform::FileSystemWrapper {
 public:
  GrowingFileSystem(const std::string& path)
      : FileSystemWrapper(platform::NativeFileSystem()), path_(path) {}
  int GetFileSize(const std::string& path, uint64_t* size) override {
    const int error = target().GetFileSize(path, size);
    if (path == path_ && !grown_) {
      grown_ = true;
      std::ofstream(path, std::ios::binary | std::ios::app) << "appended while read\n";
    }
    return error;
  }

 private:
  std::string path_;
  bool grown_ = false;
};

TEST_F(AddTest, AFileThatChangesWhileItIsReadFailsAndNothingPartialIsStored) {
  WriteFile(folder_ + "/moving.txt", "first\n");
  WriteFile(folder_ + "/still.txt", "still\n");
  GrowingFileSystem disk(folder_ + "/moving.txt");
  Outcome added;
  {
    FileLayer::ScopedFileSystem scope(FileLayer::Shared(), disk);
    added = Add(
        {{folder_ + "/moving.txt", "$/P/moving.txt"}, {folder_ + "/still.txt", "$/P/still.txt"}});
  }
  ASSERT_EQ(added.items.size(), 2u);
  EXPECT_NE(added.items[0].first, 0);
  EXPECT_EQ(added.items[0].second, "The file changed while it was being read");
  EXPECT_FALSE(db().FileExists("$/P/moving.txt"));
  EXPECT_EQ(added.items[1].first, 0) << added.items[1].second;
  EXPECT_EQ(ServerText("$/P/still.txt"), "still\n");
}

}  // namespace
}  // namespace qorv::integration
