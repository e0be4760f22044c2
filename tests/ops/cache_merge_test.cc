// Merging command 59 replies into the cache model: vanished sub-trees go,
// names match without regard to letter case, file entries follow the status
// and user-name rules and keep what the reply does not carry.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "local/cache_model.h"
#include "ops/cache_sync.h"

namespace qorv::ops {
namespace {

ProjectFileListEntry Project(const std::string& name) {
  ProjectFileListEntry entry;
  entry.name = name;
  entry.is_project = true;
  return entry;
}

ProjectFileListEntry File(const std::string& name, int32_t status, const std::string& user,
                          int32_t version = 1, double date = 45000.5) {
  ProjectFileListEntry entry;
  entry.name = name;
  entry.status = status;
  entry.user_name = user;
  entry.version = version;
  entry.date = date;
  return entry;
}

TEST(MergeProjectTreeTest, BuildsEveryLevelAndRemovesVanishedSubTrees) {
  CacheModel model;
  CacheNode& project = *model.EnsureProject("$/P");
  // A cached sub-tree the server no longer has, with a file inside.
  model.EnsureProject("$/P/Gone/Deep");
  model.PutFile("$/P/Gone/Deep/x.c", CacheFileEntry{});
  model.EnsureProject("$/P/Keep/Stale");

  MergeProjectTree(model, project,
                   {Project("Keep"), Project("Keep/Inner"), Project("Keep/Inner/Leaf"),
                    Project("New"), File("ignored.c", 0, "bob")});

  EXPECT_EQ(project.SubProjectNames(), (std::vector<std::string>{"Keep", "New"}));
  EXPECT_EQ(model.SubProjectNames("$/P/Keep"), std::vector<std::string>{"Inner"});
  EXPECT_EQ(model.SubProjectNames("$/P/Keep/Inner"), std::vector<std::string>{"Leaf"});
  EXPECT_EQ(model.FindProject("$/P/Gone"), nullptr);
  EXPECT_EQ(model.FindProject("$/P/Keep/Stale"), nullptr);
  EXPECT_EQ(model.FindFile("$/P/Gone/Deep/x.c"), nullptr);
  // Tree mode does not touch file entries.
  EXPECT_TRUE(project.files().empty());
}

TEST(MergeProjectTreeTest, AnAbsurdlyDeepTreeIsCutInsteadOfExhaustingTheStack) {
  // A server answering with thousands of nested levels: the cache keeps a
  // bounded depth, so saving and releasing the model (both recursive) stay
  // safe whatever depth a server sends.
  std::vector<ProjectFileListEntry> records;
  std::string path;
  for (int i = 0; i < 3000; ++i) {
    if (i > 0) path += '/';
    path += 'd';
    records.push_back(Project(path));
  }
  auto model = std::make_unique<CacheModel>();
  CacheNode& project = *model->EnsureProject("$/P");
  MergeProjectTree(*model, project, records);
  size_t depth = 0;
  std::string cached = "$/P";
  while (!model->SubProjectNames(cached).empty()) {
    cached += "/d";
    ++depth;
  }
  EXPECT_GT(depth, 100u);
  EXPECT_LT(depth, 3000u);
  model.reset();  // must not overflow the stack
}

TEST(MergeProjectTreeTest, ARenameInLetterCaseOnlyKeepsTheCachedNode) {
  CacheModel model;
  CacheNode& project = *model.EnsureProject("$/P");
  CacheNode* sub = model.EnsureProject("$/P/Sub");
  model.EnsureProject("$/P/Sub/Child");
  sub->marks().first = true;
  model.PutFile("$/P/Sub/a.txt", CacheFileEntry{});

  MergeProjectTree(model, project, {Project("SUB"), Project("SUB/child")});

  EXPECT_EQ(model.FindProject("$/P/sub"), sub);
  EXPECT_EQ(sub->name(), "Sub");
  EXPECT_TRUE(sub->marks().first);
  EXPECT_NE(model.FindFile("$/P/Sub/a.txt"), nullptr);
  EXPECT_EQ(sub->SubProjectNames(), std::vector<std::string>{"Child"});
}

TEST(MergeProjectTreeTest, AnEmptyReplyEmptiesTheProjectAndBadNamesAreSkipped) {
  CacheModel model;
  CacheNode& project = *model.EnsureProject("$/P");
  model.EnsureProject("$/P/A");
  MergeProjectTree(model, project, {});
  EXPECT_EQ(project.sub_project_count(), 0u);

  // A name with a line break cannot be held by the cache; its children are
  // unreachable and skipped as well.
  MergeProjectTree(model, project, {Project("B\nC"), Project("B\nC/D"), Project("E")});
  EXPECT_EQ(project.SubProjectNames(), std::vector<std::string>{"E"});
}

TEST(ApplyFileRecordTest, StatusDecidesTheUserNameAndWhetherTheCheckoutPathIsCleared) {
  struct Case {
    int32_t status;
    const char* checkout_path_after;
    const char* user_name_after;
  };
  const Case cases[] = {
      {0, "", "bob"},     {1, "", "bob"},      {2, "", "bob"},        {7, "", "bob"},
      {3, "kept", "bob"}, {4, "kept", "bob"},  {5, "kept", "bob..."}, {6, "kept", "bob..."},
      {8, "kept", "old"}, {-1, "kept", "old"},
  };
  for (const Case& c : cases) {
    CacheFileEntry entry;
    entry.checkout_path = "kept";
    entry.user_name = "old";
    ApplyFileRecord(File("x.c", c.status, "bob", 4, 45123.25), &entry);
    EXPECT_EQ(entry.checkout_path, c.checkout_path_after) << "status " << c.status;
    EXPECT_EQ(entry.user_name, c.user_name_after) << "status " << c.status;
    EXPECT_EQ(entry.status, c.status);
    EXPECT_EQ(entry.version, 4);
    EXPECT_EQ(entry.latest_version_date, CacheDate::Valid(45123.25));
  }
}

TEST(MergeFileListTest, RemovesVanishedEntriesAndUpdatesTheOthersInPlace) {
  CacheModel model;
  CacheNode& project = *model.EnsureProject("$/P");
  CacheFileEntry kept;
  kept.name = "Main.c";
  kept.spare_integer = 9;
  kept.SetLocalCopy("/w/Main.c", 2, CacheDate::Valid(45000));
  project.PutFile(kept);
  CacheFileEntry gone;
  gone.name = "old.c";
  project.PutFile(gone);

  MergeFileList(project, {File("MAIN.C", 0, "amy", 3), File("new.h", 5, "bob", 1), Project("Sub"),
                          File("bad/name", 0, "x")});

  ASSERT_EQ(project.FileNames(), (std::vector<std::string>{"MAIN.C", "new.h"}));
  const CacheFileEntry* main = project.FindFile("main.c");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->version, 3);
  EXPECT_EQ(main->user_name, "amy");
  EXPECT_EQ(main->spare_integer, 9);
  ASSERT_NE(main->FindLocalCopy("/w/Main.c"), nullptr);
  EXPECT_EQ(project.FindFile("new.h")->user_name, "bob...");
  EXPECT_EQ(project.FindFile("old.c"), nullptr);
  // Project records belong to tree mode.
  EXPECT_EQ(project.sub_project_count(), 0u);
}

}  // namespace
}  // namespace qorv::ops
