// The project tree: creating, listing, deleting, recovering, purging,
// renaming and moving items.
#include "store_fixture.h"

namespace qorv::server::testing {
namespace {

TEST_F(StoreTest, CreateProjectAnswersTheThreeEntryResults) {
  EXPECT_EQ(db_->CreateProject(alice_, "$/A", "first").result, kCreateResultCreated);
  CreateProjectResult again = db_->CreateProject(alice_, "$/a", "");
  EXPECT_EQ(again.result, kCreateResultExists);
  EXPECT_EQ(again.text, "Project $/a already exists");
  EXPECT_EQ(db_->CreateProject(alice_, "$/", "").result, kCreateResultExists);
  // Parents are not created implicitly.
  CreateProjectResult orphan = db_->CreateProject(alice_, "$/X/Y", "");
  EXPECT_EQ(orphan.result, kCreateResultFailed);
  EXPECT_EQ(orphan.text, "Project $/X does not exist");
  MustAdd("$/A/f.txt", "x");
  EXPECT_EQ(db_->CreateProject(alice_, "$/A/F.TXT", "").result, kCreateResultFailed);
  EXPECT_EQ(db_->CreateProject(alice_, "$/A/b:c", "").result, kCreateResultFailed);
  CreateProjectResult refused = db_->CreateProject(reader_, "$/R", "");
  EXPECT_EQ(refused.result, kCreateResultFailed);
  EXPECT_EQ(refused.text, kTextNoRights);

  ProjectGeneralInfo info;
  ASSERT_TRUE(db_->ProjectInfo("$/A", &info).ok());
  EXPECT_EQ(info.comment, "first");
  EXPECT_EQ(info.files_live, 1);
  // Created, then the file added.
  EXPECT_EQ(info.version, 2);
}

TEST_F(StoreTest, ListingsOrderProjectsBeforeFilesAndNameBelowTheProject) {
  MustCreateProject("$/P");
  MustCreateProject("$/P/beta");
  MustCreateProject("$/P/Alpha");
  MustCreateProject("$/P/Alpha/deep");
  MustAdd("$/P/zeta.c", "z");
  MustAdd("$/P/Alpha/a.c", "a");
  MustAdd("$/P/Alpha/deep/d.c", "d");
  MustAdd("$/P/b.c", "b");
  EXPECT_EQ(Names("$/P"), (std::vector<std::string>{"Alpha/", "Alpha/deep/", "Alpha/deep/d.c",
                                                    "Alpha/a.c", "beta/", "b.c", "zeta.c"}));
  EXPECT_EQ(Names("$/P", 0), (std::vector<std::string>{"Alpha/", "beta/", "b.c", "zeta.c"}));
  std::vector<ListedItem> tree;
  ASSERT_TRUE(db_->List(alice_, {"$/p/", PointInTime::Now(), -1, false}, &tree).ok());
  ASSERT_EQ(tree.size(), 3u);
  EXPECT_EQ(tree[1].name, "Alpha/deep");
  int32_t count = 0;
  ASSERT_TRUE(db_->FileCount("$/P", &count).ok());
  EXPECT_EQ(count, 2);
  std::vector<ListedItem> none;
  EXPECT_EQ(db_->List(alice_, {"$/P/b.c", PointInTime::Now(), 0, true}, &none).code,
            kStatusProjectNotFound);
  EXPECT_EQ(db_->List(alice_, {"$/P//x", PointInTime::Now(), 0, true}, &none).code,
            kStatusInvalidPath);
}

TEST_F(StoreTest, NamesCompareWithoutCaseAndKeepTheirCase) {
  MustCreateProject("$/Src");
  MustAdd("$/Src/Main.CPP", "int main() {}\n");
  EXPECT_TRUE(db_->FileExists("$/SRC/main.cpp"));
  OleMs time = 0;
  EXPECT_EQ(db_->AddFile(alice_, "$/src/MAIN.cpp", {"x", 0}, 0, false, "", &time).code,
            kStatusNameInUse);
  EXPECT_EQ(Names("$/src"), (std::vector<std::string>{"Main.CPP"}));
}

TEST_F(StoreTest, DeletedItemsRecoverTheMostRecentAndPurgeAll) {
  MustCreateProject("$/P");
  MustAdd("$/P/a.txt", "first\n");
  ASSERT_TRUE(db_->DeleteItem(alice_, "$/P/a.txt", false).ok());
  EXPECT_FALSE(db_->FileExists("$/P/a.txt"));
  MustAdd("$/P/a.txt", "second\n");
  Advance();
  ASSERT_TRUE(db_->DeleteItem(alice_, "$/P/a.txt", false).ok());

  std::vector<DeletedItem> deleted;
  ASSERT_TRUE(db_->DeletedItems("$/P", &deleted).ok());
  ASSERT_EQ(deleted.size(), 2u);
  std::vector<uint8_t> kinds;
  ASSERT_TRUE(db_->ItemKinds({"$/P/a.txt", "$/P", "$/nothing", "bad"}, &kinds).ok());
  EXPECT_EQ(kinds, (std::vector<uint8_t>{4, 1, 0, 0}));

  OleMs time = 0;
  Advance();
  ASSERT_TRUE(db_->RecoverItem(alice_, "$/P/A.TXT", &time).ok());
  EXPECT_EQ(time, now_);
  EXPECT_EQ(Body("$/P/a.txt"), "second\n");
  // The name is taken again, so the older copy cannot come back now.
  EXPECT_EQ(db_->RecoverItem(alice_, "$/P/a.txt", &time).code, kStatusNameInUse);

  ASSERT_TRUE(db_->PurgeItem(alice_, "$/P/a.txt").ok());
  ASSERT_TRUE(db_->DeletedItems("$/P", &deleted).ok());
  EXPECT_TRUE(deleted.empty());
  EXPECT_EQ(db_->PurgeItem(alice_, "$/P/a.txt").code, kStatusNoDeletedItem);
  EXPECT_TRUE(db_->FileExists("$/P/a.txt"));
}

TEST_F(StoreTest, ADeletedProjectKeepsItsContentsAndHidesThem) {
  MustCreateProject("$/P");
  MustCreateProject("$/P/Sub");
  MustAdd("$/P/Sub/x.c", "x");
  ASSERT_TRUE(db_->DeleteItem(alice_, "$/P/Sub", false).ok());
  EXPECT_FALSE(db_->FileExists("$/P/Sub/x.c"));
  EXPECT_FALSE(db_->ProjectExists("$/P/Sub"));
  CheckoutResult checkout;
  EXPECT_EQ(db_->CheckOut(alice_, "$/P/Sub/x.c", "", &checkout).code, kStatusFileNotFound);
  std::vector<uint8_t> kinds;
  ASSERT_TRUE(db_->ItemKinds({"$/P/Sub"}, &kinds).ok());
  EXPECT_EQ(kinds, std::vector<uint8_t>{3});
  OleMs time = 0;
  ASSERT_TRUE(db_->RecoverItem(alice_, "$/P/Sub", &time).ok());
  EXPECT_EQ(Body("$/P/Sub/x.c"), "x");
}

TEST_F(StoreTest, DestroyingRemovesForGoodButASharedFileLivesOn) {
  MustCreateProject("$/A");
  MustCreateProject("$/B");
  MustCreateProject("$/A/Sub");
  MustAdd("$/A/Sub/shared.c", "shared");
  MustAdd("$/A/Sub/own.c", "own");
  ASSERT_TRUE(db_->ShareFile(alice_, "$/B", "$/A/Sub/shared.c", false, "").ok());
  ASSERT_TRUE(db_->DeleteItem(alice_, "$/A/Sub", true).ok());
  std::vector<DeletedItem> deleted;
  ASSERT_TRUE(db_->DeletedItems("$/A", &deleted).ok());
  EXPECT_TRUE(deleted.empty());
  OleMs time = 0;
  EXPECT_EQ(db_->RecoverItem(alice_, "$/A/Sub", &time).code, kStatusNoDeletedItem);
  EXPECT_EQ(Body("$/B/shared.c"), "shared");
  std::vector<std::string> links;
  ASSERT_TRUE(db_->FileLinks("$/B/shared.c", &links).ok());
  EXPECT_EQ(links, std::vector<std::string>{"$/B/shared.c"});
  EXPECT_EQ(db_->DeleteItem(alice_, "$/", false).code, kStatusRootUnchangeable);
}

TEST_F(StoreTest, RenameAndMoveKeepNamesUniqueAndTheTreeAcyclic) {
  MustCreateProject("$/A");
  MustCreateProject("$/A/B");
  MustCreateProject("$/C");
  MustAdd("$/A/one.txt", "1");
  MustAdd("$/A/two.txt", "2");
  EXPECT_EQ(db_->RenameItem(alice_, "$/A/one.txt", "TWO.txt").code, kStatusNameInUse);
  EXPECT_EQ(db_->RenameItem(alice_, "$/A/one.txt", "../x").code, kStatusInvalidName);
  EXPECT_EQ(db_->RenameItem(alice_, "$/", "root").code, kStatusRootUnchangeable);
  ASSERT_TRUE(db_->RenameItem(alice_, "$/A/one.txt", "ONE.txt").ok());
  EXPECT_EQ(Names("$/A", 0), (std::vector<std::string>{"B/", "ONE.txt", "two.txt"}));

  EXPECT_EQ(db_->MoveItem(alice_, "$/A", "$/A/B").code, kStatusUnderItself);
  EXPECT_EQ(db_->MoveItem(alice_, "$/A", "$/A").code, kStatusUnderItself);
  ASSERT_TRUE(db_->MoveItem(alice_, "$/A", "$/C").ok());
  EXPECT_EQ(Body("$/C/A/two.txt"), "2");
  EXPECT_FALSE(db_->ProjectExists("$/A"));
  MustCreateProject("$/A");
  EXPECT_EQ(db_->MoveItem(alice_, "$/A", "$/C").code, kStatusNameInUse);
}

TEST_F(StoreTest, ReadOnlyUsersCanReadButNotChange) {
  MustCreateProject("$/P");
  MustAdd("$/P/f.txt", "f");
  OleMs time = 0;
  CheckoutResult checkout;
  EXPECT_EQ(db_->DeleteItem(reader_, "$/P/f.txt", false).code, kStatusNoRights);
  EXPECT_EQ(db_->CheckOut(reader_, "$/P/f.txt", "", &checkout).code, kStatusNoRights);
  EXPECT_EQ(db_->LabelItem(reader_, "$/P", "L", "", &time).code, kStatusNoRights);
  EXPECT_EQ(db_->AddFile(reader_, "$/P/g.txt", {"g", 0}, 0, false, "", &time).code,
            kStatusNoRights);
  EXPECT_EQ(Names("$/P"), std::vector<std::string>{"f.txt"});
  EXPECT_TRUE(db_->SetPassword(reader_, "new").ok());
  UserRecord user;
  EXPECT_TRUE(db_->Authenticate("READER", "new", &user).ok());
}

TEST_F(StoreTest, AddCheckReportsNamesDeletedCopiesAndExcludedTypes) {
  MustCreateProject("$/P");
  MustAdd("$/P/live.c", "l");
  MustAdd("$/P/gone.c", "g");
  ASSERT_TRUE(db_->DeleteItem(alice_, "$/P/gone.c", false).ok());
  ASSERT_TRUE(db_->SetExcludedTypes("*.exe;*.obj").ok());
  AddCheck check;
  ASSERT_TRUE(db_->CheckAdd("$/P/live.c", false, &check).ok());
  EXPECT_TRUE(check.live_item_exists && check.project_exists);
  EXPECT_FALSE(check.deleted_copy_exists || check.type_excluded);
  ASSERT_TRUE(db_->CheckAdd("$/P/GONE.c", false, &check).ok());
  EXPECT_TRUE(check.deleted_copy_exists);
  EXPECT_FALSE(check.live_item_exists);
  ASSERT_TRUE(db_->CheckAdd("$/P/gone.c", true, &check).ok());
  EXPECT_FALSE(check.deleted_copy_exists);
  ASSERT_TRUE(db_->CheckAdd("$/P/tool.EXE", false, &check).ok());
  EXPECT_TRUE(check.type_excluded);
  ASSERT_TRUE(db_->CheckAdd("$/Missing/x.c", false, &check).ok());
  EXPECT_FALSE(check.project_exists || check.live_item_exists || check.type_excluded);
  OleMs time = 0;
  EXPECT_EQ(db_->AddFile(alice_, "$/P/tool.exe", {"MZ", 0}, 0, false, "", &time).code,
            kStatusTypeExcluded);
}

TEST_F(StoreTest, ListedFilesCarryVersionStatusUserAndSize) {
  MustCreateProject("$/P");
  MustAdd("$/P/a.txt", "a\r\nb\r\n", kFileTypeAutodetect, &bob_);
  Advance();
  MustCreateProject("$/P/Sub");
  OleMs since = now_;
  Advance();
  MustAdd("$/P/Sub/new.bin", std::string("\0\1", 2));
  OleMs time = 0;
  ASSERT_TRUE(db_->PinFile(alice_, "$/P/a.txt", 1, &time).ok());

  std::vector<ListedItem> items;
  ASSERT_TRUE(db_->List(alice_, {"$/P", PointInTime::Now(), 0, true}, &items).ok());
  ASSERT_EQ(items.size(), 2u);
  const ListedItem& sub = items[0];
  EXPECT_TRUE(sub.is_project);
  EXPECT_EQ(sub.FileType(), 0);
  EXPECT_EQ(sub.version, 2);  // created, then new.bin added
  const ListedItem& file = items[1];
  EXPECT_EQ(file.status, 1);
  EXPECT_EQ(file.user, "bob");  // not checked out: the maker of the shown version
  EXPECT_EQ(file.version, 1);
  EXPECT_EQ(file.FileType(), kFileTypeText);
  EXPECT_EQ(file.file.stored_size, 4);

  // Changed since: the sub-project (new file in it) and its new file only.
  ASSERT_TRUE(db_->ListChangedSince(alice_, "$/P", true, since, &items).ok());
  std::vector<std::string> names;
  for (const ListedItem& item : items) names.push_back(item.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Sub", "Sub/new.bin"}));
  ASSERT_TRUE(db_->ListChangedSince(alice_, "$/P", false, since, &items).ok());
  EXPECT_EQ(items.size(), 1u);
}

TEST_F(StoreTest, AMoveIsRecordedInBothProjects) {
  MustCreateProject("$/From");
  MustCreateProject("$/To");
  MustAdd("$/From/f.c", "f");
  ASSERT_TRUE(db_->MoveItem(alice_, "$/From/f.c", "$/To").ok());
  std::vector<HistoryEntry> from, to;
  ASSERT_TRUE(db_->ProjectHistoryOf("$/From", false, false, {}, &from).ok());
  ASSERT_TRUE(db_->ProjectHistoryOf("$/To", false, false, {}, &to).ok());
  EXPECT_EQ(from.front().action, "Moved to $/To");
  EXPECT_EQ(from.front().path, "$/From/f.c");
  EXPECT_EQ(to.front().action, "Moved from $/From");
  EXPECT_EQ(to.front().path, "$/To/f.c");
  // The old project's past still holds the file where it was.
  EXPECT_EQ(Names("$/From", 0, PointInTime::AtProjectVersion(2)), std::vector<std::string>{"f.c"});
  EXPECT_TRUE(Names("$/From", 0).empty());
}

}  // namespace
}  // namespace qorv::server::testing
