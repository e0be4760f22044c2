#include "local/cache_model.h"

#include <gtest/gtest.h>

#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

TEST(CacheModelTest, EnsureFindAndListIgnoreLetterCase) {
  CacheModel model;
  CacheNode* c = model.EnsureProject("$/A/B/C");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(model.FindProject("$/a/b/c"), c);
  EXPECT_EQ(model.FindProject("$/A/B/C/"), c);
  EXPECT_EQ(model.EnsureProject("$/a/B"), model.FindProject("$/A/B"));
  EXPECT_EQ(model.FindProject("$"), &model.root());
  EXPECT_EQ(model.FindProject("$/"), &model.root());
  model.EnsureProject("$/A/Z");
  model.EnsureProject("$/A/M");
  EXPECT_EQ(model.SubProjectNames("$/A"), (std::vector<std::string>{"B", "Z", "M"}));
  // Invalid paths make no nodes.
  EXPECT_EQ(model.EnsureProject("A/B"), nullptr);
  EXPECT_EQ(model.EnsureProject("$/A//B"), nullptr);
  EXPECT_EQ(model.FindProject("$/A/Q"), nullptr);
  // Only ASCII letters fold: multibyte names match only themselves.
  model.EnsureProject("$/\xC3\xA9t\xC3\xA9");
  EXPECT_NE(model.FindProject("$/\xC3\xA9T\xC3\xA9"), nullptr);
  EXPECT_EQ(model.FindProject("$/\xC3\x89T\xC3\x89"), nullptr);
}

TEST(CacheModelTest, RemovalsForgetTheLookupMemo) {
  CacheModel model;
  model.EnsureProject("$/A/B");
  ASSERT_NE(model.FindProject("$/A/B"), nullptr);  // memorised
  ASSERT_TRUE(model.DeleteProject("$/A"));
  EXPECT_EQ(model.FindProject("$/A/B"), nullptr);

  model.EnsureProject("$/X/Y");
  ASSERT_NE(model.FindProject("$/X/Y"), nullptr);
  model.RetainSubProjects(*model.FindProject("$/X"), [](const CacheNode&) { return false; });
  EXPECT_EQ(model.FindProject("$/X/Y"), nullptr);

  model.EnsureProject("$/R/S");
  ASSERT_NE(model.FindProject("$/R/S"), nullptr);
  ASSERT_TRUE(model.RenameProject("$/R", "$/T"));
  EXPECT_EQ(model.FindProject("$/R/S"), nullptr);
  EXPECT_NE(model.FindProject("$/T/S"), nullptr);

  EXPECT_FALSE(model.DeleteProject("$/"));
}

TEST(CacheModelTest, DeleteProjectDropsItsWorkingFoldersOnly) {
  CacheModel model;
  model.EnsureProject("$/A/B");
  model.EnsureProject("$/AB");
  model.SetWorkingFolder("$/A", "/w/a");
  model.SetWorkingFolder("$/A/B", "/w/b");
  model.SetWorkingFolder("$/AB", "/w/ab");
  ASSERT_TRUE(model.DeleteProject("$/a"));
  EXPECT_EQ(model.WorkingFolder("$/A"), "");
  EXPECT_EQ(model.WorkingFolder("$/A/B"), "");
  EXPECT_EQ(model.WorkingFolder("$/AB"), "/w/ab");
  EXPECT_NE(model.FindProject("$/AB"), nullptr);
}

TEST(CacheModelTest, RenameAndMoveRekeyTheSubTree) {
  CacheModel model;
  model.EnsureProject("$/A/B/C");
  model.PutFile("$/A/B/C/f.c", CacheFileEntry{});
  model.SetWorkingFolder("$/A/B", "/w/b");
  model.SetWorkingFolder("$/A/B/C", "/w/c");
  model.SetWorkingFolder("$/A/BB", "/w/bb");

  ASSERT_TRUE(model.RenameProject("$/A/B", "$/Q/New"));
  EXPECT_EQ(model.FindProject("$/A/B"), nullptr);
  ASSERT_NE(model.FindProject("$/Q/New/C"), nullptr);
  EXPECT_EQ(model.FindProject("$/Q/New")->name(), "New");
  EXPECT_NE(model.FindFile("$/Q/New/C/f.c"), nullptr);
  EXPECT_EQ(model.WorkingFolder("$/Q/New"), "/w/b");
  EXPECT_EQ(model.WorkingFolder("$/Q/NEW/C"), "/w/c");
  EXPECT_EQ(model.WorkingFolder("$/A/B"), "");
  EXPECT_EQ(model.WorkingFolder("$/A/BB"), "/w/bb");

  // A rename of letter case only, and refusals.
  ASSERT_TRUE(model.RenameProject("$/Q/New", "$/Q/NEW"));
  EXPECT_EQ(model.FindProject("$/Q/new")->name(), "NEW");
  EXPECT_FALSE(model.RenameProject("$/Q", "$/Q/NEW/Inside"));
  EXPECT_FALSE(model.RenameProject("$/Missing", "$/Else"));
  EXPECT_FALSE(model.RenameProject("$/", "$/Else"));
  EXPECT_NE(model.FindProject("$/Q/NEW/C"), nullptr);
}

TEST(CacheModelTest, WorkingFolderOfWalksUpToTheNearestAncestor) {
  CacheModel model;
  model.SetWorkingFolder("$/A", "/w");
  EXPECT_EQ(model.WorkingFolderOf("$/A/B/C").path, "/w/B/C");
  EXPECT_EQ(model.WorkingFolderOf("$/a/b/C").path, "/w/b/C");  // the rest keeps its case
  EXPECT_EQ(model.WorkingFolderOf("$/A").path, "/w");
  model.SetWorkingFolder("$/A/B", "/elsewhere/");
  EXPECT_EQ(model.WorkingFolderOf("$/A/B/C").path, "/elsewhere/C");
  EXPECT_EQ(model.WorkingFolderOf("$/Other/X").path, "");
  model.SetWorkingFolder("$/", "/root-folder");
  EXPECT_EQ(model.WorkingFolderOf("$/Other/X").path, "/root-folder/Other/X");
  // A project name from the server may not climb out of the folder.
  LocalPathResult unsafe = model.WorkingFolderOf("$/A/../../etc");
  EXPECT_EQ(unsafe.result, kResultUnsafeServerName);
  EXPECT_EQ(unsafe.path, "");
  model.SetWorkingFolder("$/A", "");
  EXPECT_EQ(model.WorkingFolder("$/A"), "");
}

TEST(CacheModelTest, FileEntriesKeepTheirOrderAndMatchWithoutCase) {
  CacheModel model;
  CacheNode* node = model.EnsureProject("$/P");
  for (const char* name : {"b.c", "A.c", "c.c"}) {
    CacheFileEntry entry;
    entry.name = name;
    node->PutFile(entry);
  }
  CacheFileEntry replaced;
  replaced.name = "B.C";
  replaced.status = 3;
  node->PutFile(replaced);
  EXPECT_EQ(node->FileNames(), (std::vector<std::string>{"B.C", "A.c", "c.c"}));
  EXPECT_EQ(node->FindFile("b.c")->status, 3);
  EXPECT_EQ(node->RetainFiles([](const CacheFileEntry& e) { return e.name != "A.c"; }), 1u);
  EXPECT_EQ(node->FindFile("a.c"), nullptr);
  EXPECT_EQ(node->FindFile("C.C")->name, "c.c");
  EXPECT_TRUE(model.RemoveFile("$/P/c.C"));
  EXPECT_EQ(node->FileNames(), (std::vector<std::string>{"B.C"}));

  CacheFileEntry* entry = node->FindFile("b.c");
  entry->SetLocalCopy("/w/b.c", 1, CacheDate::Null());
  entry->SetLocalCopy("/w/b.c", 2, CacheDate::Invalid());
  entry->SetLocalCopy("/W/b.c", 3, CacheDate::Null());  // local paths keep their case
  ASSERT_EQ(entry->local_copies.size(), 2u);
  EXPECT_EQ(entry->FindLocalCopy("/w/b.c")->version, 2);
  EXPECT_TRUE(entry->RemoveLocalCopy("/W/b.c"));
  EXPECT_EQ(entry->local_copies.size(), 1u);
}

}  // namespace
}  // namespace qorv
