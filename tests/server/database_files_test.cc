// File contents, line endings, check-outs by several users, check-ins,
// pins, shares, branches and kept versions.
#include "store_fixture.h"

namespace qorv::server::testing {
namespace {

FileStatusInfo StatusOf(Database& db, const Actor& actor, const std::string& path,
                        int32_t version = 0) {
  FileStatusInfo info;
  StoreStatus status = db.FileStatus(actor, path, version, &info);
  EXPECT_TRUE(status.ok()) << path << ": " << status.text;
  return info;
}

TEST_F(StoreTest, TextIsStoredWithLfAndDeliveredWithTheAskedEnding) {
  MustCreateProject("$/P");
  MustAdd("$/P/dos.txt", "a\r\nb\r\n");
  MustAdd("$/P/forced.bin", "a\r\nb\r\n", kFileTypeBinary);
  MustAdd("$/P/image.png", std::string("\x89PNG\r\n\0\x01", 8));

  EXPECT_EQ(Body("$/P/dos.txt", Eol::kLf), "a\nb\n");
  EXPECT_EQ(Body("$/P/dos.txt", Eol::kCrLf), "a\r\nb\r\n");
  EXPECT_EQ(Body("$/P/dos.txt", Eol::kCr), "a\rb\r");
  EXPECT_EQ(Body("$/P/forced.bin", Eol::kLf), "a\r\nb\r\n");
  EXPECT_EQ(Body("$/P/image.png", Eol::kCr), std::string("\x89PNG\r\n\0\x01", 8));

  FileStatusInfo text = StatusOf(*db_, alice_, "$/P/dos.txt");
  EXPECT_TRUE(text.version.is_text);
  EXPECT_EQ(text.version.Digest(Eol::kCrLf), Md5Of("a\r\nb\r\n"));
  EXPECT_EQ(text.version.Digest(Eol::kLf), Md5Of("a\nb\n"));
  EXPECT_EQ(text.version.DeliveredSize(Eol::kCrLf), 6);
  EXPECT_EQ(text.version.DeliveredSize(Eol::kLf), 4);
  EXPECT_FALSE(StatusOf(*db_, alice_, "$/P/image.png").version.is_text);

  FileGeneralInfo info;
  ASSERT_TRUE(db_->FileInfo("$/P/dos.txt", &info).ok());
  EXPECT_TRUE(info.is_text);
  EXPECT_EQ(info.stored_size, 4);
  EXPECT_EQ(info.version, 1);
}

TEST_F(StoreTest, TwoUsersHoldCheckOutsOfOneFile) {
  MustCreateProject("$/P");
  MustAdd("$/P/f.c", "v1\n");
  Advance();
  MustCheckOut(alice_, "$/P/f.c");
  Advance();
  MustCheckOut(bob_, "$/P/f.c");

  FileStatusInfo seen_by_bob = StatusOf(*db_, bob_, "$/P/f.c");
  EXPECT_EQ(seen_by_bob.status, 5);
  EXPECT_EQ(seen_by_bob.user_text, "alice");
  EXPECT_TRUE(seen_by_bob.checked_out_by_actor);
  EXPECT_FALSE(StatusOf(*db_, reader_, "$/P/f.c").checked_out_by_actor);
  std::vector<std::string> holders;
  ASSERT_TRUE(db_->CheckoutHolders("$/P/f.c", &holders).ok());
  EXPECT_EQ(holders, (std::vector<std::string>{"alice", "bob"}));
  ASSERT_TRUE(db_->CheckoutHolders("$/", &holders).ok());
  EXPECT_EQ(holders, (std::vector<std::string>{"alice", "bob"}));

  CheckoutResult again;
  EXPECT_EQ(db_->CheckOut(bob_, "$/P/f.c", "", &again).code, kStatusAlreadyCheckedOut);
  EXPECT_EQ(db_->DeleteItem(alice_, "$/P/f.c", false).code, kStatusHasCheckouts);
  EXPECT_EQ(db_->DeleteItem(alice_, "$/P", false).text, "$/P contains checked-out files");

  ASSERT_TRUE(db_->ShareFile(alice_, "$/", "$/P/f.c", false, "").ok());
  EXPECT_EQ(StatusOf(*db_, alice_, "$/f.c").status, 6);

  UndoResult undo;
  ASSERT_TRUE(db_->UndoCheckOut(alice_, "$/P/f.c", &undo).ok());
  EXPECT_EQ(undo.status, 4);
  EXPECT_EQ(undo.user_text, "bob");
  EXPECT_EQ(db_->UndoCheckOut(alice_, "$/P/f.c", &undo).code, kStatusNotCheckedOutByYou);
}

TEST_F(StoreTest, ASingleCheckOutDatabaseRefusesASecondUser) {
  ASSERT_TRUE(db_->SetMultipleCheckouts(false).ok());
  MustCreateProject("$/P");
  MustAdd("$/P/f.c", "x");
  MustCheckOut(alice_, "$/P/f.c");
  CheckoutResult result;
  StoreStatus status = db_->CheckOut(bob_, "$/P/f.c", "", &result);
  EXPECT_EQ(status.code, kStatusCheckedOutByOther);
  EXPECT_EQ(status.text, "File $/P/f.c is checked out by alice");
}

TEST_F(StoreTest, CheckInMakesTheNextVersionAndReleasesOrKeeps) {
  MustCreateProject("$/P");
  MustAdd("$/P/f.c", "one\n");
  CheckoutResult checkout;
  ASSERT_TRUE(db_->CheckOut(alice_, "$/P/f.c", "editing", &checkout).ok());
  EXPECT_EQ(checkout.version.version, 1);
  EXPECT_EQ(checkout.status, 3);

  Advance();
  CheckinResult result;
  ASSERT_TRUE(
      db_->CheckIn(alice_, "$/P/f.c", UploadedBody{"two\r\n", 777}, true, "kept", &result).ok());
  EXPECT_EQ(result.new_version, 2);
  EXPECT_EQ(result.checkin_time, now_);
  EXPECT_EQ(result.status, 3);
  CheckoutState state;
  ASSERT_TRUE(db_->CheckoutStateOf(alice_, "$/P/f.c", &state).ok());
  EXPECT_TRUE(state.exists && state.checked_out_by_actor);
  EXPECT_EQ(state.version_checked_out, 2);
  EXPECT_EQ(state.latest_version, 2);

  // An unchanged check-in: a new version with the same content and time.
  ASSERT_TRUE(db_->CheckIn(alice_, "$/P/f.c", std::nullopt, false, "same", &result).ok());
  EXPECT_EQ(result.new_version, 3);
  EXPECT_EQ(result.status, 0);
  VersionInfo third;
  ASSERT_TRUE(db_->ResolveGet("$/P/f.c", 0, &third).ok());
  EXPECT_EQ(third.version, 3);
  EXPECT_EQ(third.modification_time, 777);
  EXPECT_EQ(Body("$/P/f.c"), "two\n");
  EXPECT_EQ(Body("$/P/f.c", Eol::kLf, 1), "one\n");

  EXPECT_EQ(db_->CheckIn(alice_, "$/P/f.c", std::nullopt, false, "", &result).code,
            kStatusNotCheckedOutByYou);
  ASSERT_TRUE(db_->CheckoutStateOf(alice_, "$/P/missing.c", &state).ok());
  EXPECT_FALSE(state.exists);
  FileStatusInfo info;
  EXPECT_EQ(db_->FileStatus(alice_, "$/P/f.c", 4, &info).code, kStatusNoSuchVersion);
}

TEST_F(StoreTest, APinnedLinkShowsItsVersionAndCannotBeCheckedOut) {
  MustCreateProject("$/A");
  MustCreateProject("$/B");
  MustAdd("$/A/f.c", "v1");
  MustCheckOut(alice_, "$/A/f.c");
  OleMs time = 0;
  EXPECT_EQ(db_->PinFile(alice_, "$/A/f.c", 1, &time).code, kStatusHasCheckouts);
  MustCheckIn(alice_, "$/A/f.c", "v2");
  ASSERT_TRUE(db_->ShareFile(alice_, "$/B", "$/A/f.c", false, "").ok());

  EXPECT_EQ(db_->PinFile(alice_, "$/A/f.c", 3, &time).code, kStatusNoSuchVersion);
  VersionInfo first;
  ASSERT_TRUE(db_->ResolveGet("$/A/f.c", 1, &first).ok());
  ASSERT_TRUE(db_->PinFile(alice_, "$/A/f.c", 1, &time).ok());
  EXPECT_EQ(time, first.checkin_time);
  EXPECT_EQ(Body("$/A/f.c"), "v1");
  EXPECT_EQ(Body("$/B/f.c"), "v2");
  EXPECT_EQ(StatusOf(*db_, alice_, "$/A/f.c").status, 7);
  EXPECT_EQ(StatusOf(*db_, alice_, "$/B/f.c").status, 2);
  CheckoutResult checkout;
  EXPECT_EQ(db_->CheckOut(bob_, "$/A/f.c", "", &checkout).code, kStatusPinnedNoCheckout);

  int32_t version = 0;
  ASSERT_TRUE(db_->UnpinFile(alice_, "$/A/f.c", &time, &version).ok());
  EXPECT_EQ(version, 2);
  EXPECT_EQ(Body("$/A/f.c"), "v2");
  EXPECT_EQ(db_->UnpinFile(alice_, "$/A/f.c", &time, &version).code, kStatusNotPinned);
}

TEST_F(StoreTest, SharedFilesChangeTogetherUntilBranched) {
  MustCreateProject("$/A");
  MustCreateProject("$/B");
  MustAdd("$/A/f.c", "base");
  ASSERT_TRUE(db_->ShareFile(alice_, "$/B", "$/A/f.c", false, "").ok());
  EXPECT_EQ(db_->ShareFile(alice_, "$/B", "$/A/f.c", false, "").code, kStatusNameInUse);
  MustCheckOut(bob_, "$/B/f.c");
  MustCheckIn(bob_, "$/B/f.c", "both");
  EXPECT_EQ(Body("$/A/f.c"), "both");

  OleMs time = 0;
  int32_t version = 0;
  ASSERT_TRUE(db_->BranchItem(alice_, "$/B/f.c", "split", &time, &version).ok());
  EXPECT_EQ(version, 2);
  MustCheckOut(alice_, "$/B/f.c");
  MustCheckIn(alice_, "$/B/f.c", "only B");
  EXPECT_EQ(Body("$/A/f.c"), "both");
  EXPECT_EQ(Body("$/B/f.c"), "only B");
  EXPECT_EQ(StatusOf(*db_, alice_, "$/A/f.c").status, 0);
  EXPECT_EQ(db_->BranchItem(alice_, "$/A/f.c", "", &time, &version).code, kStatusNotShared);
  // The branch kept the shared history.
  FileHistory history;
  ASSERT_TRUE(db_->FileHistoryOf("$/B/f.c", {}, &history).ok());
  ASSERT_FALSE(history.entries.empty());
  EXPECT_EQ(history.entries.back().action, "Created");
}

TEST_F(StoreTest, ShareProjectCopiesTheTreeAndRefusesItself) {
  MustCreateProject("$/Lib");
  MustCreateProject("$/Lib/Sub");
  MustAdd("$/Lib/a.c", "a");
  MustAdd("$/Lib/Sub/b.c", "b");
  MustCreateProject("$/App");
  EXPECT_EQ(db_->ShareProject(alice_, "$/Lib/Sub", "$/Lib", false, true, "").code,
            kStatusUnderItself);
  ASSERT_TRUE(db_->ShareProject(alice_, "$/App", "$/Lib", false, true, "reuse").ok());
  EXPECT_EQ(Names("$/App"),
            (std::vector<std::string>{"Lib/", "Lib/Sub/", "Lib/Sub/b.c", "Lib/a.c"}));
  EXPECT_EQ(StatusOf(*db_, alice_, "$/App/Lib/Sub/b.c").status, 2);
  // Without recursion a project may be shared into its own sub-project.
  ASSERT_TRUE(db_->ShareProject(alice_, "$/Lib/Sub", "$/Lib", true, false, "").ok());
  EXPECT_EQ(Names("$/Lib/Sub"), (std::vector<std::string>{"Lib/", "Lib/a.c", "b.c"}));
  // The branched copy stands alone; the original is still shared with App.
  EXPECT_EQ(StatusOf(*db_, alice_, "$/Lib/Sub/Lib/a.c").status, 0);
  EXPECT_EQ(StatusOf(*db_, alice_, "$/Lib/a.c").status, 2);
}

TEST_F(StoreTest, KeepingOnlyTheLatestVersionDropsOlderContent) {
  MustCreateProject("$/P");
  MustAdd("$/P/big.bin", "one", kFileTypeBinary);
  MustCheckOut(alice_, "$/P/big.bin");
  MustCheckIn(alice_, "$/P/big.bin", "two");
  ASSERT_TRUE(db_->SetLatestOnly(alice_, "$/P/big.bin", true).ok());
  VersionInfo info;
  StoreStatus status = db_->ResolveGet("$/P/big.bin", 1, &info);
  EXPECT_EQ(status.code, kStatusVersionNotKept);
  EXPECT_EQ(status.text, "Version 1 of $/P/big.bin is no longer kept");
  MustCheckOut(alice_, "$/P/big.bin");
  MustCheckIn(alice_, "$/P/big.bin", "three");
  EXPECT_EQ(db_->ResolveGet("$/P/big.bin", 2, &info).code, kStatusVersionNotKept);
  EXPECT_EQ(Body("$/P/big.bin"), "three");
  FileHistory history;
  ASSERT_TRUE(db_->FileHistoryOf("$/P/big.bin", {}, &history).ok());
  // Created, checked out, checked in, kept versions, checked out, checked in.
  EXPECT_EQ(history.entries.size(), 6u);
}

}  // namespace
}  // namespace qorv::server::testing
