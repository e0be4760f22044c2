// The queries against a scripted server: the report lines of each, what they
// send, outputs written only on success, the file comparison's digest and
// failure path, and the cache-backed queries' updates and failure codes.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "local/cache_store.h"
#include "ops/cache_queries.h"
#include "ops/cache_sync.h"
#include "ops/file_comparison.h"
#include "ops/plain_queries.h"
#include "ops_fixture.h"
#include "qorvsdk/enums.h"

namespace qorv::ops {
namespace {

using testing::Wire;
using Batches = std::vector<std::vector<ReportLine>>;

Wire ListRecord(const std::string& name, bool is_project, const std::string& user = "",
                int32_t status = 0, int32_t version = 1) {
  return Wire()
      .Str(name)
      .Bool(is_project)
      .Date(45000, 43200000)
      .Str(user)
      .Int32(status)
      .Int32(version)
      .Int32(10)
      .Int32(is_project ? 0 : 2)
      .Int32(0);
}

Wire ListReply(const std::vector<Wire>& records) {
  Wire reply = Wire().Status(0, "Completed").Int32(static_cast<int32_t>(records.size()));
  for (const Wire& record : records) reply.Raw(record.bytes());
  return reply;
}

class PlainQueryTest : public OperationTest {
 protected:
  void SetUp() override { ConnectAndLogIn(); }
};

TEST_F(PlainQueryTest, ReportsTheProgressTextThenTheServersDescription) {
  server_.Script(0x18, Wire()
                           .Status(0, "Completed")
                           .Int32(1)
                           .Int32(2)
                           .Int32(3)
                           .Int32(4)
                           .Int32(5)
                           .Date(45000, 0)
                           .Str("made for tests"));
  OperationContext ops = context();
  OperationStatus status;
  std::optional<ProjectGeneralInfo> info;
  EXPECT_EQ(GetProjectGeneralInfo(ops, "$/P", &status, &info), 0);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->files_deleted, 4);
  EXPECT_EQ(info->version, 5);
  EXPECT_EQ(info->comment, "made for tests");
  EXPECT_EQ(status.description, "Completed");
  EXPECT_EQ(owner_.batches, (Batches{{{1, "Getting $/P general info..."}}, {{1, "Completed"}}}));
}

TEST_F(PlainQueryTest, ARefusedQueryLeavesItsOutputsEmptyAndReportsTheFailure) {
  const Wire refused = Wire().Status(40101, "Project $/Q does not exist");
  for (uint8_t code : {0x16, 0x17, 0x18, 0x19, 0x22, 0x23, 0x2C, 0x34})
    server_.Script(code, refused);
  OperationContext ops = context();
  struct Case {
    std::string progress;
    std::function<int32_t(OperationStatus*)> run;
    std::function<bool()> outputs_empty;
  };
  std::optional<ProjectGeneralInfo> project_info;
  std::optional<FileGeneralInfo> file_info;
  bool exists = false;
  std::vector<std::string> texts;
  std::vector<ProjectHistoryEntry> project_history;
  FileHistoryCommand::Reply file_history;
  std::vector<DeletedItem> deleted;
  const Case cases[] = {
      {"Getting $/Q general info...",
       [&](OperationStatus* s) { return GetProjectGeneralInfo(ops, "$/Q", s, &project_info); },
       [&] { return !project_info; }},
      {"Getting $/Q/f.c general info...",
       [&](OperationStatus* s) { return GetFileGeneralInfo(ops, "$/Q/f.c", s, &file_info); },
       [&] { return !file_info; }},
      {"Querying $/Q info...",
       [&](OperationStatus* s) { return IsProjectExistingOnServer(ops, "$/Q", s, &exists); },
       [&] { return !exists; }},
      {"Getting database alias...",
       [&](OperationStatus* s) { return GetDatabaseAlias(ops, s, &texts); },
       [&] { return texts.empty(); }},
      {"Get $/Q history...",
       [&](OperationStatus* s) {
         return GetProjectHistory(ops, "$/Q", true, true, {"bob", 1, 2}, s, &project_history);
       },
       [&] { return project_history.empty(); }},
      {"Get $/Q/f.c history...",
       [&](OperationStatus* s) { return GetFileHistory(ops, "$/Q/f.c", {}, s, &file_history); },
       [&] { return file_history.entries.empty() && !file_history.pinned; }},
      {"Getting deleted items in $/Q...",
       [&](OperationStatus* s) { return GetDeletedItemsInProject(ops, "$/Q", s, &deleted); },
       [&] { return deleted.empty(); }},
      {"Getting share links of $/Q/f.c...",
       [&](OperationStatus* s) { return GetFileLinks(ops, "$/Q/f.c", s, &texts); },
       [&] { return texts.empty(); }},
  };
  for (const Case& c : cases) {
    owner_.Clear();
    OperationStatus status;
    EXPECT_EQ(c.run(&status), 40101) << c.progress;
    EXPECT_FALSE(status.canceled);
    EXPECT_EQ(status.description, "Project $/Q does not exist");
    EXPECT_TRUE(c.outputs_empty()) << c.progress;
    EXPECT_EQ(owner_.batches, (Batches{{{1, c.progress}}, {{0, "Project $/Q does not exist"}}}));
  }
}

TEST_F(PlainQueryTest, ListsKeepTheServersOrder) {
  server_.Script(0x19,
                 Wire().Status(0, "Completed").Int32(2).Str("zeta.c").Byte(0).Str("Alpha").Byte(1));
  OperationContext ops = context();
  OperationStatus status;
  std::vector<DeletedItem> items;
  ASSERT_EQ(GetDeletedItemsInProject(ops, "$/P", &status, &items), 0);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].item_name, "zeta.c");
  EXPECT_FALSE(items[0].is_project);
  EXPECT_EQ(items[1].item_name, "Alpha");
  EXPECT_TRUE(items[1].is_project);
  // The filters of a history query travel as they were given.
  server_.Script(0x23, Wire().Status(0, "Completed").Int32(0));
  std::vector<ProjectHistoryEntry> history;
  ASSERT_EQ(GetProjectHistory(ops, "$/P", false, true, {"", 0, 0}, &status, &history), 0);
  EXPECT_EQ(
      CommandRequests().back(),
      Wire().Byte(0x23).Str("$/P").Bool(false).Bool(true).Str("").Date(0, 0).Date(0, 0).bytes());
}

TEST_F(PlainQueryTest, FileCountRaisesNoEventAndWritesTheCountOnlyOnSuccess) {
  server_.Script(0x36, Wire().Status(0, "Completed").Int32(12));
  OperationContext ops = context();
  OperationStatus status;
  std::optional<int32_t> count;
  EXPECT_EQ(GetFileCountInProject(ops, "$/P", &status, &count), 0);
  EXPECT_EQ(count, 12);
  server_.Script(0x36, Wire().Status(40101, "Project $/Q does not exist"));
  std::optional<int32_t> failed_count;
  EXPECT_EQ(GetFileCountInProject(ops, "$/Q", &status, &failed_count), 40101);
  EXPECT_FALSE(failed_count.has_value());
  EXPECT_TRUE(owner_.events.empty());
}

// ---- IsFileSameAsOnServer ----------------------------------------------------------

// MD5("abc"), the test vector of RFC 1321.
const std::vector<uint8_t> kDigestOfAbc = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                                           0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};

Wire StatusReply(int32_t entry_result, const std::vector<uint8_t>& digest,
                 const std::string& entry_text = "Completed") {
  return Wire()
      .Status(0, "Completed")
      .Int32(entry_result)
      .Int32(3)
      .Bool(false)
      .Bool(true)
      .Int32(0)
      .Raw(digest)
      .Str(entry_text)
      .Str("bob");
}

class FileComparisonTest : public OperationTest {
 protected:
  void SetUp() override {
    ConnectAndLogIn();
    local_ = temp_.Child("abc.txt");
    testing::WriteTextFile(local_, "abc");
  }
  int32_t Compare(const std::string& local, bool* same, OperationStatus* status) {
    OperationContext ops = context();
    return IsFileSameAsOnServer(ops, local, "$/P/abc.txt", Enum_LF, 3, status, same);
  }
  std::string local_;
};

TEST_F(FileComparisonTest, ComparesTheLocalBytesWithTheServersDigest) {
  server_.Script(0x43, StatusReply(0, kDigestOfAbc));
  bool same = false;
  OperationStatus status;
  EXPECT_EQ(Compare(local_, &same, &status), 0);
  EXPECT_TRUE(same);
  EXPECT_EQ(
      CommandRequests().back(),
      Wire().Byte(0x43).Int32(Enum_LF).Int32(1).Str("$/P/abc.txt").Int32(3).Bool(true).bytes());
  std::vector<uint8_t> other = kDigestOfAbc;
  other[15] ^= 1;
  server_.Script(0x43, StatusReply(0, other));
  EXPECT_EQ(Compare(local_, &same, &status), 0);
  EXPECT_FALSE(same);
  // A local file that is not there is simply different.
  server_.Script(0x43, StatusReply(0, kDigestOfAbc));
  same = true;
  EXPECT_EQ(Compare(temp_.Child("missing.txt"), &same, &status), 0);
  EXPECT_FALSE(same);
  EXPECT_TRUE(owner_.events.empty());
}

TEST_F(FileComparisonTest, AFailedStatusRequestReportsAndCompletesThePercentage) {
  server_.Script(0x43, Wire().Status(40010, "Invalid line-ending mode 7"));
  bool same = true;
  OperationStatus status;
  EXPECT_EQ(Compare(local_, &same, &status), 40010);
  EXPECT_FALSE(same);
  EXPECT_EQ(driver_.percent_done(), 100);
  EXPECT_EQ(owner_.events,
            (std::vector<SdkEvent>{SdkEvent::kPercentDone, SdkEvent::kOperationResultSend}));
  EXPECT_EQ(owner_.batches, (Batches{{{0, "Checking in files ... : Invalid line-ending mode 7"}}}));
}

TEST_F(FileComparisonTest, AnEntryTheServerRefusesIsAFailureNotADifference) {
  server_.Script(0x43, StatusReply(40301, std::vector<uint8_t>(16, 0),
                                   "Version 3 of $/P/abc.txt does not exist"));
  bool same = true;
  OperationStatus status;
  EXPECT_EQ(Compare(local_, &same, &status), 40301);
  EXPECT_FALSE(same);
  EXPECT_EQ(status.description, "Version 3 of $/P/abc.txt does not exist");
  EXPECT_EQ(owner_.batches,
            (Batches{{{0, "Checking in files ... : Version 3 of $/P/abc.txt does not exist"}}}));
}

// ---- The cache-backed queries -------------------------------------------------------

class CacheQueryTest : public OperationTest {
 protected:
  void SetUp() override { ConnectAndLogIn(); }

  // The tree as a fresh reader of the cache file sees it.
  std::vector<std::string> SavedSubProjects(const std::string& path) {
    CacheStore reader;
    EXPECT_TRUE(reader.Open("127.0.0.1", "main", "alice", 1, 1).ok());
    EXPECT_TRUE(reader.Lock().ok());
    EXPECT_TRUE(reader.Load().ok());
    std::vector<std::string> names = reader.model().SubProjectNames(path);
    reader.Unlock();
    return names;
  }
};

TEST_F(CacheQueryTest, SubProjectsComeFromTheUpdatedAndSavedCache) {
  OpenCache();
  server_.Script(
      0x3B, ListReply({ListRecord("A", true), ListRecord("A/Inner", true), ListRecord("B", true)}));
  OperationContext ops = context();
  OperationStatus status;
  std::vector<std::string> names;
  ASSERT_EQ(GetSubProjectsFromParent(ops, "$/P", &status, &names), 0);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(CommandRequests().back(), Wire().Byte(0x3B).Str("$/P").Int32(-1).Int32(0).bytes());
  EXPECT_EQ(owner_.batches,
            (Batches{{{1, "Updating project tree of $/P..."}}, {{1, "Completed"}}}));
  EXPECT_EQ(SavedSubProjects("$/P/A"), std::vector<std::string>{"Inner"});

  // B was deleted on the server.
  server_.Script(0x3B, ListReply({ListRecord("A", true)}));
  names.clear();
  ASSERT_EQ(GetSubProjectsFromParent(ops, "$/P", &status, &names), 0);
  EXPECT_EQ(names, std::vector<std::string>{"A"});
  EXPECT_EQ(SavedSubProjects("$/P"), std::vector<std::string>{"A"});
}

TEST_F(CacheQueryTest, FileListCarriesStatusUserAndVersionFromTheReply) {
  OpenCache();
  server_.Script(0x3B, ListReply({ListRecord("a.c", false, "amy", 5, 4),
                                  ListRecord("b.c", false, "bob", 0, 2)}));
  OperationContext ops = context();
  OperationStatus status;
  std::vector<FileListEntry> files;
  ASSERT_EQ(GetFileListFromProject(ops, "$/P", &status, &files), 0);
  EXPECT_EQ(CommandRequests().back(), Wire().Byte(0x3B).Str("$/P").Int32(0).Int32(1).bytes());
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].file_name, "a.c");
  EXPECT_EQ(files[0].user_name, "amy...");
  EXPECT_EQ(files[0].file_status, 5);
  EXPECT_EQ(files[0].version_number, 4);
  EXPECT_DOUBLE_EQ(files[0].latest_version, 45000.5);
  EXPECT_EQ(files[1].user_name, "bob");
  EXPECT_EQ(owner_.batches, (Batches{{{1, "Updating file list of $/P..."}}, {{1, "Completed"}}}));

  std::vector<std::string> names;
  ASSERT_EQ(GetFilesByProject(ops, "$/P", &status, &names), 0);
  EXPECT_EQ(names, (std::vector<std::string>{"a.c", "b.c"}));
}

TEST_F(CacheQueryTest, WithoutACacheNothingIsAskedAndTheFailureCodesTellWhy) {
  OperationContext ops = context();
  OperationStatus status;
  std::vector<std::string> names;
  EXPECT_EQ(GetSubProjectsFromParent(ops, "$/P", &status, &names), 30006);
  EXPECT_EQ(status.description, "");
  EXPECT_EQ(GetFilesByProject(ops, "$/P", &status, &names), 30006);
  EXPECT_TRUE(owner_.batches.empty());

  OperationStatus tree_status;
  EXPECT_EQ(UpdateProjectTree(ops, "$/P", &tree_status), 30006);
  EXPECT_EQ(tree_status.description, "Failed to create $/P");

  OperationStatus list_status;
  std::vector<FileListEntry> files;
  EXPECT_EQ(GetFileListFromProject(ops, "$/P", &list_status, &files), 30002);
  EXPECT_EQ(list_status.description, "Project not found");
  EXPECT_EQ(owner_.batches,
            (Batches{{{1, "Updating file list of $/P..."}}, {{0, "Project not found"}}}));
  EXPECT_TRUE(CommandRequests().empty());
}

TEST_F(CacheQueryTest, ALockedCacheFailsWith30025AndARefusalKeepsTheCache) {
  CacheStore& cache = OpenCache();
  ASSERT_TRUE(cache.Update().ok());
  cache.model().EnsureProject("$/P/Old");
  ASSERT_TRUE(cache.SaveAndRelease().ok());
  CacheStore other;
  ASSERT_TRUE(other.Open("127.0.0.1", "main", "alice", 1, 1).ok());
  ASSERT_TRUE(other.Lock().ok());
  server_.Script(0x3B, ListReply({}));
  OperationContext ops = context();
  OperationStatus status;
  std::vector<std::string> names;
  EXPECT_EQ(GetSubProjectsFromParent(ops, "$/P", &status, &names), 30025);
  EXPECT_EQ(status.description, "Failed to update cache file. Please try again later");
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(owner_.batches.back(),
            (std::vector<ReportLine>{{0, "Failed to update cache file. Please try again later"}}));
  other.Unlock();

  server_.Script(0x3B, Wire().Status(40101, "Project $/P does not exist"));
  OperationStatus refused;
  EXPECT_EQ(GetSubProjectsFromParent(ops, "$/P", &refused, &names), 40101);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(cache.model().SubProjectNames("$/P"), std::vector<std::string>{"Old"});
  EXPECT_FALSE(cache.is_locked());
}

TEST_F(CacheQueryTest, AQueryThatChangesNothingNeedsNoLockAndAChangeWaitsForIt) {
  OpenCache();
  server_.Script(0x3B, ListReply({ListRecord("A", true)}));
  OperationContext ops = context();
  OperationStatus status;
  std::vector<std::string> names;
  ASSERT_EQ(GetSubProjectsFromParent(ops, "$/P", &status, &names), 0);

  // Another process holds the lock: the same answer again is read from the
  // cache as it is, without waiting for the lock.
  CacheStore other;
  ASSERT_TRUE(other.Open("127.0.0.1", "main", "alice", 1, 1).ok());
  ASSERT_TRUE(other.Lock().ok());
  OperationStatus unchanged;
  names.clear();
  EXPECT_EQ(GetSubProjectsFromParent(ops, "$/P", &unchanged, &names), 0) << unchanged.description;
  EXPECT_EQ(names, std::vector<std::string>{"A"});
  // The same for a file list; but a file whose holder changed must be
  // written, and that needs the lock.
  other.Unlock();
  server_.Script(0x3B, ListReply({ListRecord("a.c", false, "amy", 3, 4)}));
  std::vector<FileListEntry> files;
  ASSERT_EQ(GetFileListFromProject(ops, "$/P", &status, &files), 0);
  ASSERT_TRUE(other.Lock().ok());
  files.clear();
  EXPECT_EQ(GetFileListFromProject(ops, "$/P", &unchanged, &files), 0) << unchanged.description;
  ASSERT_EQ(files.size(), 1u);
  server_.Script(0x3B, ListReply({ListRecord("a.c", false, "bob", 3, 4)}));
  EXPECT_EQ(GetFileListFromProject(ops, "$/P", &status, &files), 30025);

  // A change waits for the lock (here up to 2 s), and is saved once it is
  // released.
  session_.cache = std::make_unique<CacheStore>();
  ASSERT_TRUE(session_.cache->Open("127.0.0.1", "main", "alice", 200, 10).ok());
  server_.Script(0x3B, ListReply({ListRecord("A", true), ListRecord("B", true)}));
  std::thread releaser([&other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    other.Unlock();
  });
  OperationStatus changed;
  names.clear();
  EXPECT_EQ(GetSubProjectsFromParent(ops, "$/P", &changed, &names), 0) << changed.description;
  releaser.join();
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(SavedSubProjects("$/P"), (std::vector<std::string>{"A", "B"}));
}

TEST_F(CacheQueryTest, ACacheThatCannotBeWrittenIsAWarningNotAFailure) {
  // The cache folder would lie below a plain file: it can never be made.
  testing::WriteTextFile(temp_.Child("plain"), "not a folder");
  environment_.Set("XDG_CACHE_HOME", temp_.Child("plain/cache"));
  OpenCache();
  server_.Script(0x3B, ListReply({ListRecord("A", true), ListRecord("B", true)}));
  OperationContext ops = context();
  OperationStatus status;
  std::vector<std::string> names;
  EXPECT_EQ(GetSubProjectsFromParent(ops, "$/P", &status, &names), 0);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(status.description, "Completed");
  const std::string folder = temp_.Child("plain/cache/Brastovik/Quorvane for VSS");
  EXPECT_EQ(owner_.batches,
            (Batches{{{1, "Updating project tree of $/P..."}},
                     {{1, "Warning: the local cache was not updated: Error creating directory " +
                              folder + " for project tree cache file."}},
                     {{1, "Completed"}}}));
}

TEST_F(CacheQueryTest, ACancelDuringTheStartsKeepAlivePingReachesTheFirstCommand) {
  OpenCache();
  engine_.set_keep_alive(true);
  server_.Script(0x52, Wire().Status(0, ""));
  server_.Script(0x3B, ListReply({ListRecord("A", true)}));
  // The caller presses cancel while the operation's start is still under way.
  server_.OnRequest([this](uint8_t code) {
    if (code == 0x52) driver_.RequestCancel();
  });
  OperationContext ops = context();
  OperationStatus status;
  std::vector<std::string> names;
  EXPECT_NE(GetSubProjectsFromParent(ops, "$/P", &status, &names), 0);
  EXPECT_TRUE(status.canceled);
  EXPECT_TRUE(names.empty());
  for (const std::vector<uint8_t>& request : CommandRequests()) EXPECT_NE(request[0], 0x3B);
}

}  // namespace
}  // namespace qorv::ops
