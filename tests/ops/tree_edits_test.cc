// The tree edits against a scripted server, for what the reference server
// never sends: a project path the cache cannot hold beside one it can, a
// project refused in the middle of a list, a cache locked by another
// process after the server changed, and a branched share whose version
// cannot be read.
#include <string>
#include <vector>

#include "ops/tree_edits.h"
#include "ops_fixture.h"

namespace qorv::ops {
namespace {

using testing::Wire;

class TreeEditsOpsTest : public OperationTest {
 protected:
  void SetUp() override {
    ConnectAndLogIn();
    OpenCache();
  }

  // The cache file as another reader of it sees it.
  bool CachedProject(const std::string& path) {
    CacheStore reader;
    EXPECT_TRUE(reader.Open("127.0.0.1", "main", "alice", 1, 1).ok());
    EXPECT_TRUE(reader.Load().ok());
    return reader.model().FindProject(path) != nullptr;
  }

  std::vector<uint8_t> CommandCodes() const {
    std::vector<uint8_t> codes;
    for (const auto& request : CommandRequests()) codes.push_back(request[0]);
    return codes;
  }
};

TEST_F(TreeEditsOpsTest, APathTheCacheCannotHoldLeavesTheOtherProjectsRecorded) {
  server_.Script(0x04,
                 Wire().Status(0, "Completed").Int32(0).Str("Completed").Int32(0).Str("Completed"));
  OperationStatus status;
  ASSERT_EQ(CreateProjects(context(), {"$/Bad\nName", "$/Good"}, "", &status), 0)
      << status.description;
  EXPECT_EQ(owner_.batches,
            (std::vector<std::vector<ReportLine>>{{{1, "Creating project $/Bad\nName..."}},
                                                  {{1, "Completed"}},
                                                  {{1, "Creating project $/Good..."}},
                                                  {{1, "Completed"}}}));
  EXPECT_TRUE(CachedProject("$/Good"));
  EXPECT_FALSE(CachedProject("$/Bad"));
  EXPECT_EQ(CommandCodes(), std::vector<uint8_t>{0x04});
}

TEST_F(TreeEditsOpsTest, AProjectTheServerFailedEndsTheListWithItsText) {
  server_.Script(0x04, Wire()
                           .Status(0, "Completed")
                           .Int32(0)
                           .Str("Completed")
                           .Int32(3)
                           .Str("Project $/X does not exist")
                           .Int32(0)
                           .Str("Completed"));
  OperationStatus status;
  EXPECT_EQ(CreateProjects(context(), {"$/A", "$/X/B", "$/C"}, "", &status),
            kResultCacheNodeFailed);
  EXPECT_EQ(status.description, "Project $/X does not exist");
  EXPECT_EQ(owner_.batches,
            (std::vector<std::vector<ReportLine>>{{{1, "Creating project $/A..."}},
                                                  {{1, "Completed"}},
                                                  {{1, "Creating project $/X/B..."}},
                                                  {{0, "Project $/X does not exist"}}}));
  // The project created before the failure is recorded, the one after it
  // is not.
  EXPECT_TRUE(CachedProject("$/A"));
  EXPECT_FALSE(CachedProject("$/C"));
}

TEST_F(TreeEditsOpsTest, ACacheLockedElsewhereFailsAfterTheServerChanged) {
  server_.Script(0x06, Wire().Status(0, "Completed"));
  CacheStore other;
  ASSERT_TRUE(other.Open("127.0.0.1", "main", "alice", 1, 1).ok());
  ASSERT_TRUE(other.Lock().ok());
  OperationStatus status;
  EXPECT_EQ(RenameProject(context(), "$/", "A", "B", &status), kResultCacheUpdateFailed);
  EXPECT_EQ(status.description, "Failed to update cache file. Please try again later");
  EXPECT_EQ(owner_.batches, (std::vector<std::vector<ReportLine>>{
                                {{1, "Renaming A to B..."}, {1, "Completed"}},
                                {{0, "Failed to update cache file. Please try again later"}}}));
  other.Unlock();
}

TEST_F(TreeEditsOpsTest, MoveItemSendsItsCommandAloneAndLeavesTheCancelFlagAlone) {
  server_.Script(0x13, Wire().Status(0, "Completed"));
  OperationStatus status;
  EXPECT_EQ(MoveItem(context(), "$/A/x.c", "$/B", &status), 0);
  EXPECT_FALSE(status.canceled);
  EXPECT_EQ(CommandCodes(), std::vector<uint8_t>{0x13});
  EXPECT_TRUE(owner_.batches.empty());

  // The cancel flag is not cleared first, unlike the other edits: a cancel
  // asked before the call reaches the request.
  driver_.RequestCancel();
  MoveItem(context(), "$/A/x.c", "$/B", &status);
  EXPECT_TRUE(status.canceled);
}

TEST_F(TreeEditsOpsTest, ABranchedShareWhoseVersionCannotBeReadEndsTheShare) {
  server_.Script(0x08, Wire().Status(0, "Completed"));
  server_.Script(0x43, Wire().Status(40102, "File $/T/a.c does not exist"));
  OperationStatus status;
  std::vector<ItemResult> results;
  EXPECT_EQ(ShareFilesFrom(context(), "$/T", {"$/S/a.c", "$/S/b.c"}, true, "", &status, &results),
            40102);
  EXPECT_EQ(results, (std::vector<ItemResult>{{"$/S/a.c", 0, "Completed"}}));
  EXPECT_EQ(
      owner_.batches,
      (std::vector<std::vector<ReportLine>>{
          {{1, "Sharing file $/S/a.c..."}, {1, "Completed"}},
          {{1, "Getting file $/S/a.c remote version..."}, {0, "File $/T/a.c does not exist"}}}));
  EXPECT_EQ(CommandCodes(), (std::vector<uint8_t>{0x08, 0x43}));
}

TEST_F(TreeEditsOpsTest, ACanceledShareStopsTheListAndRecordsNothingForIt) {
  server_.Script(0x08, Wire().Status(0, "Completed"));
  server_.OnRequest([this](uint8_t code) {
    if (code == 0x08) driver_.RequestCancel();
  });
  {
    CacheLock lock(*session_.cache);
    ASSERT_TRUE(lock.Take(nullptr).ok());
    ASSERT_NE(session_.cache->model().PutFile("$/S/a.c", CacheFileEntry{}), nullptr);
    ASSERT_TRUE(lock.SaveAndRelease().ok());
  }
  OperationStatus status;
  std::vector<ItemResult> results;
  EXPECT_EQ(ShareFilesFrom(context(), "$/T", {"$/S/a.c", "$/S/b.c"}, false, "", &status, &results),
            0);
  EXPECT_TRUE(status.canceled);
  EXPECT_EQ(results, (std::vector<ItemResult>{{"$/S/a.c", kResultSocketCanceled, "Canceled"}}));
  // The engine clears the flag after the canceled request; the second file
  // is still not tried.
  EXPECT_EQ(CommandCodes(), std::vector<uint8_t>{0x08});
  // Whether the server shared it is not known: the cache records nothing.
  CacheStore reader;
  ASSERT_TRUE(reader.Open("127.0.0.1", "main", "alice", 1, 1).ok());
  ASSERT_TRUE(reader.Load().ok());
  EXPECT_EQ(reader.model().FindFile("$/T/a.c"), nullptr);
}

}  // namespace
}  // namespace qorv::ops
