// The get methods through the interface against the reference server: what
// lands in the working folder, what travels and what does not, the
// writable-file decision and its prompt, requests of 500 files, cloaked
// sub-projects, project sets, label and version gets with their binding
// files, old versions, and a three-way merge through a real merge program.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "local/cache_store.h"
#include "local/file_layer.h"
#include "net/command_list.h"
#include "sdk_fixture.h"
#include "support/fault_file_system.h"

namespace qorv::integration {
namespace {

namespace fs = std::filesystem;

struct Item {
  std::string name;
  LONG result = -1;
  std::string description;
};

struct GetOutcome {
  LONG result = -1;
  std::string description;
  bool canceled = true;
  std::vector<Item> items;
};

std::vector<Item> ReadItems(IQORVOperationResultSet* set) {
  std::vector<Item> items;
  EXPECT_NE(set, nullptr);
  if (set == nullptr) return items;
  LONG count = 0;
  set->get_Count(&count);
  for (LONG i = 0; i < count; ++i) {
    VARIANT element;
    EXPECT_EQ(set->get_Item(i, &element), S_OK);
    IQORVOperationResult* result = nullptr;
    element.value.pdispVal->QueryInterface(IID_IQORVOperationResult,
                                           reinterpret_cast<void**>(&result));
    VariantClear(&element);
    Item item;
    BSTR text = nullptr;
    result->get_ItemFullName(&text);
    item.name = TakeText(text);
    result->get_OperationResult(&item.result);
    result->get_Description(&text);
    item.description = TakeText(text);
    result->Release();
    items.push_back(std::move(item));
  }
  set->Release();
  return items;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

bool IsWritable(const std::string& path) {
  return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

ino_t InodeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_ino;
}

bool AllLinesSucceeded(const Batches& batches) {
  for (const auto& batch : batches) {
    for (const Line& line : batch) {
      if (!line.ok) return false;
    }
  }
  return true;
}

bool AnyLine(const Batches& batches, const Line& wanted) {
  for (const auto& batch : batches) {
    for (const Line& line : batch) {
      if (line == wanted) return true;
    }
  }
  return false;
}

class GetTest : public SdkTest {
 protected:
  void SetUp() override {
    MustCreateProject("$/Proj");
    MustCreateProject("$/Proj/Sub");
    MustAddFile("$/Proj/a.txt", "alpha\n");
    MustAddFile("$/Proj/b.txt", "beta\n");
    MustAddFile("$/Proj/Sub/c.txt", "gamma\n");
    client_ = LoggedInClient();
    folder_ = work_folder_ + "/wf";
  }

  GetOutcome GetProject(const std::string& project, const std::string& folder, bool recursive,
                        Enum_WritableFileHandling handling = Enum_WritableFileHandlingSkip,
                        const std::string& merge_tool = "", const std::string& merge_args = "") {
    GetOutcome outcome;
    VARIANT_BOOL canceled = 5;
    BSTR description = nullptr;
    IQORVOperationResultSet* set = nullptr;
    EXPECT_EQ((*client_)->GetLatestProject(
                  Text(project.c_str()), Text(folder.c_str()), recursive ? VARIANT_TRUE : 0, 0,
                  handling, Enum_LF, Enum_SetLocalFileTimeModification, Text(merge_tool.c_str()),
                  Text(merge_args.c_str()), &canceled, &description, &set, &outcome.result),
              S_OK);
    outcome.canceled = canceled == VARIANT_TRUE;
    outcome.description = TakeText(description);
    outcome.items = ReadItems(set);
    return outcome;
  }

  GetOutcome GetFiles(const std::vector<std::pair<std::string, std::string>>& files,
                      Enum_WritableFileHandling handling = Enum_WritableFileHandlingSkip) {
    auto* set =
        sdk::CreateObject<IQORVLatestFileSet>(CLSID_QORVLatestFileSet, IID_IQORVLatestFileSet);
    for (const auto& [server, local] : files) {
      auto* file = sdk::CreateObject<IQORVLatestFile>(CLSID_QORVLatestFile, IID_IQORVLatestFile);
      file->put_FileToGet(Text(server.c_str()));
      file->put_LocalFileName(Text(local.c_str()));
      set->Add(file, nullptr);
      file->Release();
    }
    GetOutcome outcome;
    VARIANT_BOOL canceled = 5;
    BSTR description = nullptr;
    IQORVOperationResultSet* results = nullptr;
    EXPECT_EQ((*client_)->GetLatestFiles(set, 0, handling, Enum_LF,
                                         Enum_SetLocalFileTimeModification, nullptr, nullptr,
                                         &canceled, &description, &results, &outcome.result),
              S_OK);
    set->Release();
    outcome.canceled = canceled == VARIANT_TRUE;
    outcome.description = TakeText(description);
    outcome.items = ReadItems(results);
    return outcome;
  }

  int64_t Requests(CommandCode code) const {
    return server_->RequestCount(static_cast<uint8_t>(code));
  }

  std::unique_ptr<SdkClient> client_;
  std::string folder_;
};

TEST_F(GetTest, ProjectGetWritesEveryFileReadOnlyWithoutDoubledSeparators) {
  const GetOutcome got = GetProject("$/Proj/", folder_ + "/", true);
  ASSERT_EQ(got.result, 0) << got.description;
  EXPECT_FALSE(got.canceled);
  EXPECT_EQ(ReadFile(folder_ + "/a.txt"), "alpha\n");
  EXPECT_EQ(ReadFile(folder_ + "/Sub/c.txt"), "gamma\n");
  EXPECT_FALSE(IsWritable(folder_ + "/a.txt"));
  EXPECT_FALSE(IsWritable(folder_ + "/Sub/c.txt"));
  ASSERT_EQ(got.items.size(), 3u);
  for (const Item& item : got.items) {
    EXPECT_EQ(item.result, 0) << item.name;
    EXPECT_EQ(item.name.find("//"), std::string::npos) << item.name;
  }
  EXPECT_EQ(got.items[2].name, "$/Proj/Sub/c.txt");
  for (const auto& batch : client_->sink().batches) {
    for (const Line& line : batch) {
      EXPECT_EQ(line.text.find("//"), std::string::npos) << line.text;
    }
  }
  // The local copies are recorded in the cache with their versions.
  const std::string cache = ReadFile(CacheFilePath("127.0.0.1", "alice"));
  EXPECT_NE(cache.find(folder_ + "/Sub/c.txt"), std::string::npos);
}

// With CompressedTransfer set on the SDK object, every body travels as an
// archive and every file arrives whole: text, binary, empty, one over the
// batch limit, and sizes at the body's message boundaries.
TEST_F(GetTest, WithCompressedTransferEveryFileArrivesWhole) {
  IQORVTransferSettings* settings = nullptr;
  ASSERT_EQ(
      (*client_)->QueryInterface(IID_IQORVTransferSettings, reinterpret_cast<void**>(&settings)),
      S_OK);
  EXPECT_EQ(settings->put_CompressedTransfer(1), S_OK);
  settings->Release();
  MustCreateProject("$/Zip");
  std::map<std::string, std::string> bodies;
  std::string text;
  for (int i = 0; text.size() < 1536 * 1024; ++i) text += "line " + std::to_string(i) + "\n";
  bodies["big.txt"] = text;
  bodies["empty.txt"] = "";
  bodies["s65532.txt"] = text.substr(0, 65532);
  bodies["s65533.txt"] = text.substr(0, 65533);
  std::string binary(70000, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 7919) >> 3);
  bodies["b.bin"] = binary;
  for (const auto& [name, body] : bodies) MustAddFile("$/Zip/" + name, body);

  const GetOutcome got = GetProject("$/Zip", folder_, false);
  ASSERT_EQ(got.result, 0) << got.description;
  ASSERT_EQ(got.items.size(), bodies.size());
  for (const Item& item : got.items) EXPECT_EQ(item.result, 0) << item.name << item.description;
  for (const auto& [name, body] : bodies) {
    EXPECT_EQ(ReadFile(folder_ + "/" + name), body) << name;
  }
}

TEST_F(GetTest, UnchangedFilesDoNotTravelButTheirAttributeIsSet) {
  ASSERT_EQ(GetProject("$/Proj", folder_, false).result, 0);
  const std::string a = folder_ + "/a.txt";
  fs::permissions(a, fs::perms::owner_write, fs::perm_options::add);
  const ino_t before = InodeOf(a);
  const int64_t fetches = Requests(CommandCode::kGetFiles);
  client_->sink().Clear();

  const GetOutcome again = GetProject("$/Proj", folder_, false);
  ASSERT_EQ(again.result, 0) << again.description;
  EXPECT_EQ(Requests(CommandCode::kGetFiles), fetches);
  EXPECT_EQ(InodeOf(a), before);
  EXPECT_FALSE(IsWritable(a));
  EXPECT_TRUE(AllLinesSucceeded(client_->sink().batches));
}

TEST_F(GetTest, SkipLeavesAChangedWritableFileAndReplaceFetchesAReadOnlyOne) {
  ASSERT_EQ(GetProject("$/Proj", folder_, false).result, 0);
  WriteFile(folder_ + "/a.txt", "my edit\n");
  // A changed read-only file is simply replaced.
  fs::permissions(folder_ + "/b.txt", fs::perms::owner_write, fs::perm_options::add);
  std::ofstream(folder_ + "/b.txt", std::ios::trunc) << "stale\n";
  fs::permissions(folder_ + "/b.txt",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  client_->sink().Clear();

  const GetOutcome skipped = GetProject("$/Proj", folder_, false, Enum_WritableFileHandlingSkip);
  ASSERT_EQ(skipped.result, 0) << skipped.description;
  EXPECT_EQ(ReadFile(folder_ + "/a.txt"), "my edit\n");
  EXPECT_TRUE(IsWritable(folder_ + "/a.txt"));
  EXPECT_EQ(ReadFile(folder_ + "/b.txt"), "beta\n");
  EXPECT_TRUE(AllLinesSucceeded(client_->sink().batches));

  // Merge asked for a file nobody has checked out is a skip.
  const GetOutcome merge_as_skip =
      GetProject("$/Proj", folder_, false, Enum_WritableFileHandlingMerge, "/bin/false", "");
  ASSERT_EQ(merge_as_skip.result, 0) << merge_as_skip.description;
  EXPECT_EQ(ReadFile(folder_ + "/a.txt"), "my edit\n");
  EXPECT_TRUE(AllLinesSucceeded(client_->sink().batches));

  const GetOutcome replaced =
      GetProject("$/Proj", folder_, false, Enum_WritableFileHandlingReplace);
  ASSERT_EQ(replaced.result, 0) << replaced.description;
  EXPECT_EQ(ReadFile(folder_ + "/a.txt"), "alpha\n");
  EXPECT_FALSE(IsWritable(folder_ + "/a.txt"));
}

TEST_F(GetTest, AskPromptsPerFileUnlessApplyToAllAndCancelStopsTheGet) {
  ASSERT_EQ(GetProject("$/Proj", folder_, false).result, 0);
  auto edit_both = [&] {
    WriteFile(folder_ + "/a.txt", "mine a\n");
    WriteFile(folder_ + "/b.txt", "mine b\n");
  };
  std::vector<std::string> asked;
  LONG answer = Enum_WritableFileHandlingReplace;
  VARIANT_BOOL all = VARIANT_FALSE;
  client_->sink().on_event = [&](DISPID dispid) {
    if (dispid != DISPID_PromptLeaveOrReplaceWriteableFile) return;
    VARIANT_BOOL three_way = 5;
    BSTR information = nullptr;
    (*client_)->GetPromptLeaveOrReplaceWriteableFile(&three_way, &information);
    EXPECT_EQ(three_way, VARIANT_FALSE);
    asked.push_back(TakeText(information));
    (*client_)->SetPromptLeaveOrReplaceWriteableFile(static_cast<Enum_WritableFileHandling>(answer),
                                                     all);
  };

  edit_both();
  ASSERT_EQ(GetProject("$/Proj", folder_, false, Enum_WritableFileHandlingAsk).result, 0);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0], "Your working folder contains a writable copy of " + folder_ + "/a.txt.");
  EXPECT_EQ(ReadFile(folder_ + "/b.txt"), "beta\n");

  asked.clear();
  edit_both();
  all = VARIANT_TRUE;
  answer = Enum_WritableFileHandlingSkip;
  ASSERT_EQ(GetProject("$/Proj", folder_, false, Enum_WritableFileHandlingAsk).result, 0);
  EXPECT_EQ(asked.size(), 1u);
  EXPECT_EQ(ReadFile(folder_ + "/b.txt"), "mine b\n");

  answer = Enum_WritableFileHandlingCanceled;
  const GetOutcome canceled = GetProject("$/Proj", folder_, false, Enum_WritableFileHandlingAsk);
  EXPECT_EQ(canceled.result, kResultPromptCanceled);
  EXPECT_EQ(canceled.description, "Canceled");
  EXPECT_EQ(ReadFile(folder_ + "/a.txt"), "mine a\n");
}

TEST_F(GetTest, ThousandAndOneFilesGoInRequestsOfFiveHundred) {
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 1001; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    MustAddFile("$/Proj/Sub/" + name, name + "\n");
    files.emplace_back("$/Proj/Sub/" + name, folder_ + "/many/" + name);
  }
  const int64_t infos = Requests(CommandCode::kFileStatus);
  const int64_t fetches = Requests(CommandCode::kGetFiles);
  const GetOutcome got = GetFiles(files);
  ASSERT_EQ(got.result, 0) << got.description;
  EXPECT_EQ(Requests(CommandCode::kFileStatus) - infos, 3);
  EXPECT_EQ(Requests(CommandCode::kGetFiles) - fetches, 3);
  ASSERT_EQ(got.items.size(), 1001u);
  EXPECT_EQ(ReadFile(folder_ + "/many/f1000.txt"), "f1000.txt\n");
}

TEST_F(GetTest, EmptyListsDirectoriesInTheWayAndUnknownFilesAreReportedPerItem) {
  client_->sink().Clear();
  const GetOutcome empty = GetFiles({});
  EXPECT_EQ(empty.result, 0);
  EXPECT_EQ(empty.description, "Completed");
  ASSERT_EQ(client_->sink().batches.size(), 1u);
  EXPECT_EQ(client_->sink().batches[0],
            (std::vector<Line>{{true, "Getting files...: "}, {true, "Completed"}}));

  fs::create_directories(folder_ + "/a.txt");
  const GetOutcome mixed = GetFiles({{"$/Proj/a.txt", folder_ + "/a.txt"},
                                     {"$/Proj/nothere.txt", folder_ + "/nothere.txt"},
                                     {"$/Proj/b.txt", folder_ + "/b.txt"}});
  EXPECT_EQ(mixed.result, 0) << mixed.description;
  ASSERT_EQ(mixed.items.size(), 3u);
  EXPECT_EQ(mixed.items[0].result, kResultNameInTheWay);
  EXPECT_EQ(mixed.items[0].description,
            "A directory with the name " + folder_ + "/a.txt already exists");
  EXPECT_NE(mixed.items[1].result, 0);
  EXPECT_EQ(mixed.items[2].result, 0);
  EXPECT_EQ(ReadFile(folder_ + "/b.txt"), "beta\n");
  EXPECT_FALSE(fs::exists(folder_ + "/nothere.txt"));
}

TEST_F(GetTest, AFileThatCannotBeFinishedFailsAndIsNotRecorded) {
  testing::FaultFileSystem disk;
  FileLayer::ScopedFileSystem scope(FileLayer::Shared(), disk);
  // The transfer sets each file's time as it lands (calls 1 and 2); the
  // third call is the get finishing a.txt.
  disk.FailCall(testing::FileStep::kSetLastWriteTime, EACCES, 3);
  client_->sink().Clear();
  const GetOutcome got =
      GetFiles({{"$/Proj/a.txt", folder_ + "/a.txt"}, {"$/Proj/b.txt", folder_ + "/b.txt"}});
  EXPECT_EQ(got.result, 0) << got.description;
  ASSERT_EQ(got.items.size(), 2u);
  EXPECT_EQ(got.items[0].result, kResultSystemError);
  EXPECT_EQ(got.items[0].description,
            "The file could not be finished: failed to set the file time of " + folder_ + "/a.txt");
  EXPECT_EQ(got.items[1].result, 0);
  EXPECT_TRUE(AnyLine(client_->sink().batches,
                      {false, "Getting $/Proj/a.txt ...: " + got.items[0].description}));
  const std::string cache = ReadFile(CacheFilePath("127.0.0.1", "alice"));
  EXPECT_EQ(cache.find(folder_ + "/a.txt"), std::string::npos);
  EXPECT_NE(cache.find(folder_ + "/b.txt"), std::string::npos);
}

TEST_F(GetTest, ACancelBeforeTheFetchLeavesNoPartFileAndTheNextGetWorks) {
  client_->sink().on_event = [&](DISPID dispid) {
    LONG percent = 0;
    (*client_)->GetPercentDone(&percent);
    if (dispid == DISPID_OnPercentDone && percent == 15) (*client_)->RequestCancel();
  };
  const GetOutcome canceled = GetProject("$/Proj", folder_, true);
  EXPECT_NE(canceled.result, 0);
  EXPECT_TRUE(canceled.canceled);
  for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
    EXPECT_FALSE(entry.is_regular_file()) << entry.path();
  }
  client_->sink().on_event = nullptr;
  const GetOutcome again = GetProject("$/Proj", folder_, true);
  EXPECT_EQ(again.result, 0) << again.description;
  EXPECT_EQ(ReadFile(folder_ + "/Sub/c.txt"), "gamma\n");
}

TEST_F(GetTest, CloakedSubProjectIsReportedWhileTheOthersArrive) {
  MustCreateProject("$/Proj/Open");
  MustAddFile("$/Proj/Open/d.txt", "delta\n");
  ASSERT_EQ(GetProject("$/Proj", folder_, true).result, 0);
  fs::remove_all(folder_);
  {
    CacheStore cache;
    ASSERT_TRUE(cache.Open("127.0.0.1", "Main", "alice").ok());
    CacheLock lock(cache);
    ASSERT_TRUE(lock.Take(nullptr).ok());
    CacheNode* sub = cache.model().FindProject("$/Proj/Sub");
    ASSERT_NE(sub, nullptr);
    sub->set_cloaked(true);
    ASSERT_TRUE(lock.SaveAndRelease().ok());
  }
  client_->sink().Clear();
  const GetOutcome got = GetProject("$/Proj", folder_, true);
  EXPECT_EQ(got.result, 0) << got.description;
  EXPECT_TRUE(
      AnyLine(client_->sink().batches, {false, "Getting $/Proj/Sub...: The project is cloaked"}));
  EXPECT_FALSE(fs::exists(folder_ + "/Sub/c.txt"));
  EXPECT_EQ(ReadFile(folder_ + "/Open/d.txt"), "delta\n");
  EXPECT_EQ(ReadFile(folder_ + "/a.txt"), "alpha\n");
}

TEST_F(GetTest, ProjectSetWithRecursiveMapsSubProjectsBelowTheSetsFolder) {
  MustCreateProject("$/A");
  MustCreateProject("$/A/B");
  MustCreateProject("$/A/B/C");
  MustAddFile("$/A/top.txt", "top\n");
  MustAddFile("$/A/B/C/deep.txt", "deep\n");
  auto* set = sdk::CreateObject<IQORVLatestProjectSet>(CLSID_QORVLatestProjectSet,
                                                       IID_IQORVLatestProjectSet);
  for (const auto& [project, folder] : {std::pair{std::string("$/A"), folder_ + "/LF"},
                                        std::pair{std::string("$/Proj/Sub"), folder_ + "/S"}}) {
    auto* entry =
        sdk::CreateObject<IQORVLatestProject>(CLSID_QORVLatestProject, IID_IQORVLatestProject);
    entry->put_ProjectToGet(Text(project.c_str()));
    entry->put_LocalFolder(Text(folder.c_str()));
    set->Add(entry, nullptr);
    entry->Release();
  }
  LONG result = -1;
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  IQORVOperationResultSet* items = nullptr;
  ASSERT_EQ((*client_)->GetLatestProjects(set, VARIANT_TRUE, 0, Enum_WritableFileHandlingSkip,
                                          Enum_LF, Enum_SetLocalFileTimeCurrent, nullptr, nullptr,
                                          &canceled, &description, &items, &result),
            S_OK);
  set->Release();
  const std::string text = TakeText(description);
  EXPECT_EQ(result, 0) << text;
  EXPECT_EQ(ReadItems(items).size(), 3u);
  EXPECT_EQ(ReadFile(folder_ + "/LF/top.txt"), "top\n");
  EXPECT_EQ(ReadFile(folder_ + "/LF/B/C/deep.txt"), "deep\n");
  EXPECT_EQ(ReadFile(folder_ + "/S/c.txt"), "gamma\n");
}

class DatedGetTest : public GetTest {
 protected:
  // a.txt "alpha" and app.csproj at the label "L1" and the project version
  // then; a.txt "changed" and new.txt after it.
  void SetUp() override {
    GetTest::SetUp();
    MustAddFile("$/Proj/app.csproj", "<Project/>\n");
    server::OleMs time = 0;
    ASSERT_TRUE(db().LabelItem(Actor("alice"), "$/Proj", "L1", "", &time).ok());
    labeled_version_ = ProjectVersion();
    server::CheckoutResult checkout;
    ASSERT_TRUE(db().CheckOut(Actor("bob"), "$/Proj/a.txt", "", &checkout).ok());
    server::CheckinResult checkin;
    ASSERT_TRUE(db().CheckIn(Actor("bob"), "$/Proj/a.txt",
                             server::UploadedBody("changed\n", server::LocalNowMs()), false, "",
                             &checkin)
                    .ok());
    MustAddFile("$/Proj/new.txt", "new\n");
  }

  LONG ProjectVersion() {
    LONG subs = 0, subs_deleted = 0, files = 0, files_deleted = 0, version = -1, result = -1;
    DATE date = 0;
    BSTR comment = nullptr, description = nullptr;
    VARIANT_BOOL canceled = 0;
    (*client_)->GetProjectGeneralInfo(Text("$/Proj"), &subs, &subs_deleted, &files, &files_deleted,
                                      &version, &date, &comment, &canceled, &description, &result);
    SysFreeString(comment);
    SysFreeString(description);
    EXPECT_EQ(result, 0);
    return version;
  }

  LONG labeled_version_ = 0;
};

TEST_F(DatedGetTest, LabelAndVersionGetsMatchTheHistoryAndWriteTheBindingFile) {
  LONG result = -1;
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  IQORVOperationResultSet* items = nullptr;
  ASSERT_EQ((*client_)->GetProjectByLabel(Text("$/Proj"), Text((folder_ + "/lab").c_str()),
                                          Text("L1"), 0, 0, Enum_WritableFileHandlingSkip, Enum_LF,
                                          Enum_SetLocalFileTimeCurrent, nullptr, nullptr, &canceled,
                                          &description, &items, &result),
            S_OK);
  std::string text = TakeText(description);
  ASSERT_EQ(result, 0) << text;
  ReadItems(items);
  EXPECT_EQ(ReadFile(folder_ + "/lab/a.txt"), "alpha\n");
  EXPECT_FALSE(fs::exists(folder_ + "/lab/new.txt"));
  const std::string binding = ReadFile(folder_ + "/lab/MSSCCPRJ.SCC");
  EXPECT_EQ(binding,
            "SCC = This is a Source Code Control file.\r\n\r\n[app.csproj]\r\n"
            "SCC_Aux_Path = 127.0.0.1:" +
                std::to_string(port()) + ":Main\r\nSCC_Project_Name = $/Proj\r\n\r\n");
  EXPECT_FALSE(IsWritable(folder_ + "/lab/MSSCCPRJ.SCC"));

  ASSERT_EQ((*client_)->GetProjectByVersion(Text("$/Proj"), Text((folder_ + "/ver").c_str()),
                                            labeled_version_, 0, 0, Enum_WritableFileHandlingSkip,
                                            Enum_LF, Enum_SetLocalFileTimeCurrent, nullptr, nullptr,
                                            &canceled, &description, &items, &result),
            S_OK);
  text = TakeText(description);
  ASSERT_EQ(result, 0) << text;
  ReadItems(items);
  EXPECT_EQ(ReadFile(folder_ + "/ver/a.txt"), "alpha\n");
  EXPECT_FALSE(fs::exists(folder_ + "/ver/new.txt"));

  // An unknown label fails before anything is written.
  ASSERT_EQ((*client_)->GetProjectByLabel(
                Text("$/Proj"), Text((folder_ + "/none").c_str()), Text("no such label"), 0, 0,
                Enum_WritableFileHandlingSkip, Enum_LF, Enum_SetLocalFileTimeCurrent, nullptr,
                nullptr, &canceled, &description, &items, &result),
            S_OK);
  SysFreeString(description);
  EXPECT_NE(result, 0);
  EXPECT_TRUE(ReadItems(items).empty());
  EXPECT_FALSE(fs::exists(folder_ + "/none"));
}

TEST_F(DatedGetTest, OldVersionOfOneFileAndItsRefusals) {
  auto get_old = [&](LONG version, const std::string& local, Item* item) {
    auto* result = sdk::CreateObject<IQORVOperationResult>(CLSID_QORVOperationResult,
                                                           IID_IQORVOperationResult);
    LONG value = -1;
    VARIANT_BOOL canceled = 5;
    BSTR description = nullptr;
    EXPECT_EQ((*client_)->GetOldVersionFile(
                  Text("$/Proj"), Text("a.txt"), version, Text(local.c_str()), 0,
                  Enum_WritableFileHandlingReplace, Enum_LF, Enum_SetLocalFileTimeCurrent, nullptr,
                  nullptr, &canceled, &description, result, &value),
              S_OK);
    SysFreeString(description);
    BSTR text = nullptr;
    result->get_ItemFullName(&text);
    item->name = TakeText(text);
    result->get_OperationResult(&item->result);
    result->get_Description(&text);
    item->description = TakeText(text);
    result->Release();
    return value;
  };
  Item item;
  ASSERT_EQ(get_old(1, folder_ + "/old/a.txt", &item), 0) << item.description;
  EXPECT_EQ(item.name, "$/Proj/a.txt");
  EXPECT_EQ(ReadFile(folder_ + "/old/a.txt"), "alpha\n");
  ASSERT_EQ(get_old(2, folder_ + "/old/a.txt", &item), 0) << item.description;
  EXPECT_EQ(ReadFile(folder_ + "/old/a.txt"), "changed\n");

  // A version that does not exist fails the method itself, not just a line.
  const LONG missing = get_old(9, folder_ + "/old/a9.txt", &item);
  EXPECT_NE(missing, 0);
  EXPECT_EQ(item.result, missing);
  EXPECT_FALSE(fs::exists(folder_ + "/old/a9.txt"));

  EXPECT_EQ(get_old(1, folder_ + "/" + std::string(300, 'x'), &item), kResultLocalNameTooLong);
  fs::create_directories(folder_ + "/dir");
  EXPECT_EQ(get_old(1, folder_ + "/dir", &item), kResultNameInTheWay);
  EXPECT_EQ(item.description, "a folder with the name " + folder_ + "/dir already exists");
}

TEST_F(GetTest, MergeCombinesTheUsersChangesWithANewerServerVersion) {
  MustAddFile("$/Proj/m.txt", "one\ntwo\nthree\nfour\nfive\n");
  const std::string local = folder_ + "/m.txt";
  ASSERT_EQ(GetProject("$/Proj", folder_, false).result, 0);
  server::CheckoutResult checkout;
  ASSERT_TRUE(db().CheckOut(Actor("alice"), "$/Proj/m.txt", "", &checkout).ok());
  ASSERT_TRUE(db().CheckOut(Actor("bob"), "$/Proj/m.txt", "", &checkout).ok());
  server::CheckinResult checkin;
  ASSERT_TRUE(db().CheckIn(Actor("bob"), "$/Proj/m.txt",
                           server::UploadedBody("one\ntwo\nthree\nfour\nFIVE\n", 0), false, "",
                           &checkin)
                  .ok());
  WriteFile(local, "ONE\ntwo\nthree\nfour\nfive\n");

  const std::string temp = work_folder_ + "/temp";
  fs::create_directories(temp);
  ASSERT_EQ((*client_)->SetTempDirectory(Text(temp.c_str())), S_OK);
  const std::string tool = work_folder_ + "/merge3";
  std::ofstream(tool) << "#!/bin/sh\n"
                         "diff3 -m \"$1\" \"$2\" \"$3\" > \"$4.merging\"\n"
                         "status=$?\n"
                         "[ $status -eq 0 ] && mv \"$4.merging\" \"$4\"\n"
                         "rm -f \"$4.merging\"\n"
                         "exit $status\n";
  fs::permissions(tool, fs::perms::owner_exec, fs::perm_options::add);
  const GetOutcome merged =
      GetProject("$/Proj", folder_, false, Enum_WritableFileHandlingMerge, tool,
                 "\"%YOURS_FILE%\" \"%BASE_FILE%\" \"%THEIRS_FILE%\" \"%RESULT_FILE%\"");
  ASSERT_EQ(merged.result, 0) << merged.description;
  for (const Item& item : merged.items) EXPECT_EQ(item.result, 0) << item.description;
  EXPECT_EQ(ReadFile(local), "ONE\ntwo\nthree\nfour\nFIVE\n");
  EXPECT_TRUE(IsWritable(local));
  for (const auto& entry : fs::recursive_directory_iterator(temp)) {
    EXPECT_FALSE(entry.is_regular_file()) << entry.path();
  }
}

}  // namespace
}  // namespace qorv::integration
