// Every query through the interface against a project tree built with the
// server's administration: collection contents and out-parameters, failures
// that hand out empty collections and leave long outputs alone, the cache
// following the server, the file comparison by line ending, and a query
// re-entered while another one runs.
#include <filesystem>
#include <string>
#include <vector>

#include "local/cache_store.h"
#include "platform/apartment.h"
#include "sdk_fixture.h"

namespace qorv::integration {
namespace {

// The elements of a collection through IDispatch and QueryInterface, as a
// caller reads them; `read` takes each element's interface.
template <class Element, class Set, class Read>
auto ReadAll(Set* set, const IID& element_iid, Read read) {
  std::vector<decltype(read(static_cast<Element*>(nullptr)))> values;
  EXPECT_NE(set, nullptr);
  if (set == nullptr) return values;
  LONG count = 0;
  set->get_Count(&count);
  for (LONG i = 0; i < count; ++i) {
    VARIANT item;
    EXPECT_EQ(set->get_Item(i, &item), S_OK);
    Element* element = nullptr;
    item.value.pdispVal->QueryInterface(element_iid, reinterpret_cast<void**>(&element));
    VariantClear(&item);
    values.push_back(read(element));
    element->Release();
  }
  set->Release();
  return values;
}

template <class Getter>
std::string TextOf(Getter get) {
  BSTR text = nullptr;
  get(&text);
  return TakeText(text);
}

class QueriesTest : public SdkTest {
 protected:
  void SetUp() override {
    MustCreateProject("$/Proj", "made for tests");
    MustCreateProject("$/Proj/A");
    MustCreateProject("$/Proj/B");
    MustCreateProject("$/Proj/B/Deep");
    MustCreateProject("$/Other");
    MustAddFile("$/Proj/a.txt", "one\ntwo\n", "first text");
    MustAddFile("$/Proj/b.bin", std::string("\x00\x01\x02", 3));
    MustAddFile("$/Proj/gone.txt", "x");
    ASSERT_TRUE(db().DeleteItem(Actor("alice"), "$/Proj/gone.txt", false).ok());
    ASSERT_TRUE(db().ShareFile(Actor("alice"), "$/Other", "$/Proj/b.bin", false, "").ok());
    server::CheckoutResult checkout;
    ASSERT_TRUE(db().CheckOut(Actor("alice"), "$/Proj/a.txt", "", &checkout).ok());
    ASSERT_TRUE(db().CheckOut(Actor("bob"), "$/Proj/a.txt", "", &checkout).ok());
    client_ = LoggedInClient();
  }

  std::vector<std::string> SubProjects(const std::string& parent, LONG* result) {
    IQORVSubProjectsFromParentSet* set = nullptr;
    VARIANT_BOOL canceled = 5;
    BSTR description = nullptr;
    Text path(parent.c_str());
    EXPECT_EQ((*client_)->GetSubProjectsFromParent(path, &set, &canceled, &description, result),
              S_OK);
    EXPECT_EQ(canceled, VARIANT_FALSE);
    TakeText(description);
    return ReadAll<IQORVSubProjectsFromParent>(
        set, IID_IQORVSubProjectsFromParent, [](IQORVSubProjectsFromParent* element) {
          return TextOf([&](BSTR* text) { return element->get_SubProjectName(text); });
        });
  }

  // The sub-projects of `path` as the cache file holds them.
  std::vector<std::string> CachedSubProjects(const std::string& path) {
    CacheStore cache;
    EXPECT_TRUE(cache.Open("127.0.0.1", "Main", "alice", 1, 1).ok());
    EXPECT_TRUE(cache.Lock().ok());
    EXPECT_TRUE(cache.Load().ok());
    std::vector<std::string> names = cache.model().SubProjectNames(path);
    cache.Unlock();
    return names;
  }

  bool IsSame(const std::string& local, Enum_EOL eol, LONG* result) {
    VARIANT_BOOL same = 5;
    VARIANT_BOOL canceled = 5;
    BSTR description = nullptr;
    Text local_file(local.c_str());
    Text remote_file("$/Proj/a.txt");
    EXPECT_EQ((*client_)->IsFileSameAsOnServer(local_file, remote_file, eol, 0, &same, &canceled,
                                               &description, result),
              S_OK);
    TakeText(description);
    EXPECT_TRUE(same == VARIANT_TRUE || same == VARIANT_FALSE);
    return same == VARIANT_TRUE;
  }

  std::unique_ptr<SdkClient> client_;
};

TEST_F(QueriesTest, GeneralInformationOfAProjectAndAFile) {
  LONG values[5] = {-1, -1, -1, -1, -1};
  DATE date = 0;
  BSTR comment = nullptr;
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  LONG result = -1;
  Text project("$/Proj");
  ASSERT_EQ((*client_)->GetProjectGeneralInfo(project, &values[0], &values[1], &values[2],
                                              &values[3], &values[4], &date, &comment, &canceled,
                                              &description, &result),
            S_OK);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(values[0], 2);  // A and B
  EXPECT_EQ(values[1], 0);
  EXPECT_EQ(values[2], 2);  // a.txt and b.bin
  EXPECT_EQ(values[3], 1);  // gone.txt
  EXPECT_GT(values[4], 0);
  EXPECT_GT(date, 40000.0);
  EXPECT_EQ(TakeText(comment), "made for tests");
  EXPECT_EQ(canceled, VARIANT_FALSE);
  EXPECT_EQ(client_->sink().batches,
            (Batches{{{true, "Getting $/Proj general info..."}}, {{true, TakeText(description)}}}));

  BSTR type = nullptr;
  LONG version = -1;
  LONG size = -1;
  Text file("$/Proj/a.txt");
  ASSERT_EQ((*client_)->GetFileGeneralInfo(file, &type, &version, &date, &size, &comment, &canceled,
                                           &description, &result),
            S_OK);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(TakeText(type), "Text");
  EXPECT_EQ(version, 1);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(TakeText(comment), "first text");
  TakeText(description);
}

TEST_F(QueriesTest, AFailingQueryKeepsTheLongsAndHandsOutAnEmptyCollection) {
  LONG values[5] = {11, 12, 13, 14, 15};
  DATE date = 5.0;
  BSTR comment = nullptr;
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  LONG result = -1;
  Text missing("$/Nope");
  ASSERT_EQ((*client_)->GetProjectGeneralInfo(missing, &values[0], &values[1], &values[2],
                                              &values[3], &values[4], &date, &comment, &canceled,
                                              &description, &result),
            S_OK);
  EXPECT_EQ(result, 40101);
  const std::string text = TakeText(description);
  EXPECT_EQ(text, "Project $/Nope does not exist");
  EXPECT_EQ(values[0], 11);
  EXPECT_EQ(values[4], 15);
  EXPECT_EQ(date, 0.0);
  EXPECT_EQ(TakeText(comment), "");
  EXPECT_EQ(client_->sink().batches.back(), (std::vector<Line>{{false, text}}));

  IQORVDeletedItemSet* deleted = nullptr;
  ASSERT_EQ(
      (*client_)->GetDeletedItemsInProject(missing, &deleted, &canceled, &description, &result),
      S_OK);
  EXPECT_EQ(result, 40101);
  TakeText(description);
  ASSERT_NE(deleted, nullptr);
  LONG count = -1;
  deleted->get_Count(&count);
  EXPECT_EQ(count, 0);
  deleted->Release();

  LONG files = 33;
  ASSERT_EQ((*client_)->GetFileCountInProject(missing, &files, &canceled, &description, &result),
            S_OK);
  EXPECT_EQ(result, 40101);
  EXPECT_EQ(files, 33);
  TakeText(description);
}

TEST_F(QueriesTest, FileCountAndExistenceAndAliases) {
  LONG files = -1;
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  LONG result = -1;
  Text project("$/Proj");
  ASSERT_EQ((*client_)->GetFileCountInProject(project, &files, &canceled, &description, &result),
            S_OK);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(files, 2);
  TakeText(description);
  // No report lines at all for the file count.
  EXPECT_EQ(client_->sink().CountOf(DISPID_OnOperationResultSend), 0);

  VARIANT_BOOL exists = VARIANT_FALSE;
  Text sub("$/Proj/A");
  ASSERT_EQ((*client_)->IsProjectExistingOnServer(sub, &exists, &canceled, &description, &result),
            S_OK);
  EXPECT_EQ(exists, VARIANT_TRUE);
  TakeText(description);
  EXPECT_EQ(client_->sink().batches.front(),
            (std::vector<Line>{{true, "Querying $/Proj/A info..."}}));
  Text missing("$/Proj/Nope");
  ASSERT_EQ(
      (*client_)->IsProjectExistingOnServer(missing, &exists, &canceled, &description, &result),
      S_OK);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(exists, VARIANT_FALSE);
  TakeText(description);

  ASSERT_TRUE(server_->data_directory().CreateDatabase("Archive").ok());
  client_->sink().Clear();
  IQORVDatabaseAliasSet* aliases = nullptr;
  ASSERT_EQ((*client_)->GetDatabaseAlias(&aliases, &canceled, &description, &result), S_OK);
  EXPECT_EQ(result, 0);
  const std::string text = TakeText(description);
  EXPECT_EQ(client_->sink().batches,
            (Batches{{{true, "Getting database alias..."}}, {{true, text}}}));
  EXPECT_EQ(ReadAll<IQORVDatabaseAlias>(aliases, IID_IQORVDatabaseAlias,
                                        [](IQORVDatabaseAlias* alias) {
                                          return TextOf(
                                              [&](BSTR* t) { return alias->get_DatabaseName(t); });
                                        }),
            (std::vector<std::string>{"Archive", "Main"}));
}

TEST_F(QueriesTest, HistoriesDeletedItemsAndLinks) {
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  LONG result = -1;
  IQORVFileHistorySet* file_history = nullptr;
  VARIANT_BOOL pinned = 5;
  Text file("$/Proj/a.txt");
  ASSERT_EQ((*client_)->GetFileHistory(file, &pinned, &file_history, nullptr, 0, 0, &canceled,
                                       &description, &result),
            S_OK);
  EXPECT_EQ(result, 0);
  TakeText(description);
  EXPECT_EQ(pinned, VARIANT_FALSE);
  EXPECT_EQ(client_->sink().batches.front(),
            (std::vector<Line>{{true, "Get $/Proj/a.txt history..."}}));
  const auto actions =
      ReadAll<IQORVFileHistory>(file_history, IID_IQORVFileHistory, [](IQORVFileHistory* entry) {
        return TextOf([&](BSTR* t) { return entry->get_Action(t); });
      });
  ASSERT_FALSE(actions.empty());
  EXPECT_EQ(actions.back(), "Created");
  EXPECT_EQ(actions.front(), "Checked out");

  IQORVProjectHistorySet* project_history = nullptr;
  Text project("$/Proj");
  Text bob("bob");
  ASSERT_EQ((*client_)->GetProjectHistory(project, VARIANT_TRUE, VARIANT_TRUE, &project_history,
                                          bob, 0, 0, &canceled, &description, &result),
            S_OK);
  EXPECT_EQ(result, 0);
  TakeText(description);
  // Only bob's records: his check-out of a.txt.
  const auto users = ReadAll<IQORVProjectHistory>(
      project_history, IID_IQORVProjectHistory, [](IQORVProjectHistory* entry) {
        return TextOf([&](BSTR* t) { return entry->get_UserName(t); });
      });
  ASSERT_FALSE(users.empty());
  for (const std::string& user : users) EXPECT_EQ(user, "bob");

  IQORVDeletedItemSet* deleted = nullptr;
  ASSERT_EQ(
      (*client_)->GetDeletedItemsInProject(project, &deleted, &canceled, &description, &result),
      S_OK);
  TakeText(description);
  const auto items =
      ReadAll<IQORVDeletedItem>(deleted, IID_IQORVDeletedItem, [](IQORVDeletedItem* item) {
        VARIANT_BOOL is_project = 5;
        item->get_IsProject(&is_project);
        return TextOf([&](BSTR* t) { return item->get_DeletedItem(t); }) +
               (is_project == VARIANT_TRUE ? " (project)" : " (file)");
      });
  EXPECT_EQ(items, std::vector<std::string>{"gone.txt (file)"});

  IQORVFileLinkSet* links = nullptr;
  Text shared("$/Proj/b.bin");
  ASSERT_EQ((*client_)->GetFileLinks(shared, &links, &canceled, &description, &result), S_OK);
  EXPECT_EQ(result, 0);
  TakeText(description);
  EXPECT_EQ(ReadAll<IQORVFileLink>(links, IID_IQORVFileLink,
                                   [](IQORVFileLink* link) {
                                     return TextOf([&](BSTR* t) { return link->get_FileLink(t); });
                                   }),
            (std::vector<std::string>{"$/Other/b.bin", "$/Proj/b.bin"}));
}

TEST_F(QueriesTest, SubProjectsFollowTheServerThroughTheCache) {
  LONG result = -1;
  EXPECT_EQ(SubProjects("$/Proj", &result), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(client_->sink().batches.front(),
            (std::vector<Line>{{true, "Updating project tree of $/Proj..."}}));
  EXPECT_EQ(CachedSubProjects("$/Proj/B"), std::vector<std::string>{"Deep"});

  // Deleted on the server: gone from the list and from the cache with its
  // sub-tree.
  ASSERT_TRUE(db().DeleteItem(Actor("alice"), "$/Proj/B", false).ok());
  EXPECT_EQ(SubProjects("$/Proj", &result), std::vector<std::string>{"A"});
  EXPECT_EQ(CachedSubProjects("$/Proj"), std::vector<std::string>{"A"});

  // Renamed in letter case only: the cached node stays as it was.
  ASSERT_TRUE(db().RenameItem(Actor("alice"), "$/Proj/A", "a").ok());
  EXPECT_EQ(SubProjects("$/Proj", &result), std::vector<std::string>{"A"});
  EXPECT_EQ(result, 0);

  // A parent the server does not know: its failure, an empty collection.
  EXPECT_TRUE(SubProjects("$/Nope", &result).empty());
  EXPECT_EQ(result, 40101);
}

TEST_F(QueriesTest, FileListsCarryStatusAndUsers) {
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  LONG result = -1;
  Text project("$/Proj");
  IQORVFilesByProjectSet* names = nullptr;
  ASSERT_EQ((*client_)->GetFilesByProject(project, &names, &canceled, &description, &result), S_OK);
  EXPECT_EQ(result, 0);
  TakeText(description);
  EXPECT_EQ(client_->sink().batches.front(),
            (std::vector<Line>{{true, "Updating file list of $/Proj..."}}));
  EXPECT_EQ(
      ReadAll<IQORVFilesByProject>(names, IID_IQORVFilesByProject,
                                   [](IQORVFilesByProject* file) {
                                     return TextOf([&](BSTR* t) { return file->get_FileName(t); });
                                   }),
      (std::vector<std::string>{"a.txt", "b.bin"}));

  IQORVFileListSet* list = nullptr;
  ASSERT_EQ((*client_)->GetFileListFromProject(project, &list, &canceled, &description, &result),
            S_OK);
  EXPECT_EQ(result, 0);
  TakeText(description);
  const auto files = ReadAll<IQORVFileList>(list, IID_IQORVFileList, [](IQORVFileList* file) {
    Enum_FileStatus status = static_cast<Enum_FileStatus>(-1);
    LONG version = -1;
    DATE latest = 0;
    file->get_FileStatus(&status);
    file->get_VersionNumber(&version);
    file->get_LatestVersion(&latest);
    return TextOf([&](BSTR* t) { return file->get_FileName(t); }) + " " + std::to_string(status) +
           " " + std::to_string(version) + " " +
           TextOf([&](BSTR* t) { return file->get_UserName(t); }) +
           (latest > 40000.0 ? " dated" : " undated");
  });
  // a.txt is checked out by alice, then bob; b.bin is shared and free.
  EXPECT_EQ(files, (std::vector<std::string>{"a.txt 5 1 alice... dated", "b.bin 2 1 alice dated"}));
}

TEST_F(QueriesTest, TheFileComparisonFollowsTheLineEnding) {
  const std::string local = work_folder_ + "/a.txt";
  testing::WriteTextFile(local, "one\r\ntwo\r\n");
  LONG result = -1;
  EXPECT_TRUE(IsSame(local, Enum_CRLF, &result));
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(IsSame(local, Enum_LF, &result));
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(IsSame(work_folder_ + "/missing.txt", Enum_CRLF, &result));
  EXPECT_EQ(result, 0);
}

// The host's wait callback runs while the caller's thread waits for the
// server; a query started from there finds the engine busy.
struct ReentrantCall {
  IQORVSDK* sdk = nullptr;
  bool called = false;
  LONG result = -1;
  std::string description;
  LONG count = -1;
  Batches batches_seen;
};

void CallAgain(void* context) {
  auto* call = static_cast<ReentrantCall*>(context);
  if (call->called) return;
  call->called = true;
  IQORVDatabaseAliasSet* aliases = nullptr;
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  call->sdk->GetDatabaseAlias(&aliases, &canceled, &description, &call->result);
  call->description = TakeText(description);
  if (aliases != nullptr) {
    aliases->get_Count(&call->count);
    aliases->Release();
  }
}

TEST_F(QueriesTest, AQueryStartedWhileAnotherRunsFindsTheSystemBusy) {
  ReentrantCall call;
  call.sdk = client_->get();
  platform::SetWaitCallback(&CallAgain, &call, 10);
  IQORVProjectHistorySet* history = nullptr;
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  LONG result = -1;
  Text project("$/Proj");
  ASSERT_EQ((*client_)->GetProjectHistory(project, VARIANT_FALSE, VARIANT_FALSE, &history, nullptr,
                                          0, 0, &canceled, &description, &result),
            S_OK);
  platform::SetWaitCallback(nullptr, nullptr, 0);
  TakeText(description);
  ASSERT_TRUE(call.called);
  EXPECT_EQ(call.result, 12006);
  EXPECT_EQ(call.description, "The system is busy. Please try later.");
  EXPECT_EQ(call.count, 0);
  // The running query went on to its end.
  EXPECT_EQ(result, 0);
  LONG entries = 0;
  history->get_Count(&entries);
  EXPECT_GT(entries, 0);
  history->Release();
}

}  // namespace
}  // namespace qorv::integration
