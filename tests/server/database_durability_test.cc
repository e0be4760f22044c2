// Restarts, changes that fail midway, the data directory, users and the
// import of a local folder.
#include <fstream>
#include <thread>

#include "store_fixture.h"

namespace qorv::server::testing {
namespace {

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST_F(StoreTest, ARestartFindsEverythingAsItWas) {
  MustCreateProject("$/P");
  MustAdd("$/P/f.txt", "one\r\n");
  MustCheckOut(alice_, "$/P/f.txt");
  MustCheckIn(alice_, "$/P/f.txt", "two\r\n");
  MustCheckOut(bob_, "$/P/f.txt");
  OleMs label_time = 0;
  ASSERT_TRUE(db_->LabelItem(alice_, "$/P", "L", "", &label_time).ok());
  ASSERT_TRUE(db_->DeleteItem(alice_, "$/P/f.txt", false).code == kStatusHasCheckouts);

  Restart();
  EXPECT_EQ(Body("$/P/f.txt", Eol::kCrLf), "two\r\n");
  EXPECT_EQ(Body("$/P/f.txt", Eol::kCrLf, 1), "one\r\n");
  CheckoutState state;
  ASSERT_TRUE(db_->CheckoutStateOf(bob_, "$/P/f.txt", &state).ok());
  EXPECT_TRUE(state.checked_out_by_actor);
  EXPECT_EQ(state.version_checked_out, 2);
  OleMs found = 0;
  ASSERT_TRUE(db_->LabelDate("$/P", "L", &found).ok());
  EXPECT_EQ(found, label_time);
  UserRecord user;
  EXPECT_TRUE(db_->Authenticate("bob", "hunter2", &user).ok());

  // The clock went back across the restart; change times still rise.
  now_ = kStartTime - kMsPerDay;
  MustAdd("$/P/g.txt", "g");
  VersionInfo info;
  ASSERT_TRUE(db_->ResolveGet("$/P/g.txt", 0, &info).ok());
  EXPECT_GT(info.checkin_time, label_time);
}

TEST_F(StoreTest, AFailedCheckInLeavesTheStoreUnchanged) {
  MustCreateProject("$/P");
  MustAdd("$/P/f.txt", "one");
  MustCheckOut(alice_, "$/P/f.txt");
  ProjectGeneralInfo before;
  ASSERT_TRUE(db_->ProjectInfo("$/P", &before).ok());
  FileHistory history_before;
  ASSERT_TRUE(db_->FileHistoryOf("$/P/f.txt", {}, &history_before).ok());

  fail_at_ = "checkin:recorded";
  CheckinResult result;
  StoreStatus status =
      db_->CheckIn(alice_, "$/P/f.txt", UploadedBody{"two", 0}, false, "", &result);
  EXPECT_EQ(status.code, kStatusStoreError);
  EXPECT_EQ(status.text, "Server store error: injected fault at checkin:recorded");

  Restart();
  CheckoutState state;
  ASSERT_TRUE(db_->CheckoutStateOf(alice_, "$/P/f.txt", &state).ok());
  EXPECT_TRUE(state.checked_out_by_actor);
  EXPECT_EQ(state.latest_version, 1);
  EXPECT_EQ(Body("$/P/f.txt"), "one");
  ProjectGeneralInfo after;
  ASSERT_TRUE(db_->ProjectInfo("$/P", &after).ok());
  EXPECT_EQ(after.version, before.version);
  FileHistory history_after;
  ASSERT_TRUE(db_->FileHistoryOf("$/P/f.txt", {}, &history_after).ok());
  EXPECT_EQ(history_after.entries.size(), history_before.entries.size());

  fail_at_.clear();
  ASSERT_TRUE(db_->CheckIn(alice_, "$/P/f.txt", UploadedBody{"two", 0}, false, "", &result).ok());
  EXPECT_EQ(result.new_version, 2);
}

TEST_F(StoreTest, FailedAddsAndBranchesLeaveNothingBehind) {
  MustCreateProject("$/A");
  MustCreateProject("$/B");
  fail_at_ = "add:version-written";
  OleMs time = 0;
  EXPECT_EQ(db_->AddFile(alice_, "$/A/f.c", {"x", 0}, 0, false, "", &time).code, kStatusStoreError);
  EXPECT_FALSE(db_->FileExists("$/A/f.c"));
  EXPECT_EQ(db_->CreateProject(alice_, "$/A/Sub", "").result, kCreateResultCreated);
  fail_at_.clear();
  MustAdd("$/A/f.c", "x");
  ASSERT_TRUE(db_->ShareFile(alice_, "$/B", "$/A/f.c", false, "").ok());

  fail_at_ = "branch:versions-copied";
  int32_t version = 0;
  EXPECT_EQ(db_->BranchItem(alice_, "$/B/f.c", "", &time, &version).code, kStatusStoreError);
  std::vector<std::string> links;
  ASSERT_TRUE(db_->FileLinks("$/A/f.c", &links).ok());
  EXPECT_EQ(links, (std::vector<std::string>{"$/A/f.c", "$/B/f.c"}));
}

TEST_F(StoreTest, AnImportThatFailsMidwayImportsNothing) {
  std::filesystem::path folder = root_ / "import";
  WriteFile(folder / "a.txt", "first\n");
  WriteFile(folder / "bad:name", "refused\n");
  StoreStatus status = db_->ImportFolder(alice_, folder, "$/Imp/Deep", "");
  EXPECT_EQ(status.code, kStatusInvalidName);
  EXPECT_FALSE(db_->ProjectExists("$/Imp"));
  EXPECT_FALSE(db_->FileExists("$/Imp/Deep/a.txt"));
}

TEST_F(StoreTest, ImportTakesFilesFoldersTypesAndTimes) {
  std::filesystem::path folder = root_ / "import";
  WriteFile(folder / "readme.txt", "hello\r\n");
  WriteFile(folder / "src" / "main.c", "int main;\n");
  WriteFile(folder / "logo.bin", std::string("\0\1\2\r\n", 5));
  std::filesystem::last_write_time(
      folder / "readme.txt",
      std::filesystem::file_time_type::clock::now() - std::chrono::hours(48));
  ASSERT_TRUE(db_->ImportFolder(alice_, folder, "$/Imp", "import").ok());
  EXPECT_EQ(Names("$/Imp"),
            (std::vector<std::string>{"src/", "src/main.c", "logo.bin", "readme.txt"}));
  EXPECT_EQ(Body("$/Imp/logo.bin", Eol::kCr), std::string("\0\1\2\r\n", 5));
  EXPECT_EQ(Body("$/Imp/readme.txt", Eol::kLf), "hello\n");
  VersionInfo readme;
  ASSERT_TRUE(db_->ResolveGet("$/Imp/readme.txt", 0, &readme).ok());
  OleMs two_days = 2 * kMsPerDay;
  EXPECT_NEAR(static_cast<double>(LocalNowMs() - readme.modification_time),
              static_cast<double>(two_days), 60000.0);
  // Importing again finds the names taken.
  EXPECT_EQ(db_->ImportFolder(alice_, folder, "$/Imp", "").code, kStatusNameInUse);
}

TEST_F(StoreTest, TheDataDirectoryHoldsOneFilePerDatabase) {
  ASSERT_TRUE(directory_->CreateDatabase("archive").ok());
  EXPECT_EQ(directory_->CreateDatabase("MAIN").code, kStatusNameInUse);
  EXPECT_EQ(directory_->CreateDatabase("../escape").code, kStatusInvalidName);
  EXPECT_EQ(directory_->DatabaseNames(), (std::vector<std::string>{"archive", "Main"}));
  EXPECT_TRUE(std::filesystem::exists(data_ / "Main.qordb"));

  std::shared_ptr<Database> same;
  ASSERT_TRUE(directory_->OpenDatabase("main", &same).ok());
  EXPECT_EQ(same.get(), db_.get());
  std::shared_ptr<Database> none;
  StoreStatus status = directory_->OpenDatabase("Other", &none);
  EXPECT_EQ(status.code, kStatusUnknownDatabase);
  EXPECT_EQ(status.text, "Database Other does not exist");
  EXPECT_EQ(directory_->OpenDatabase("../data/Main", &none).code, kStatusUnknownDatabase);

  // A file that is not a store of this format is refused, not misread.
  WriteFile(data_ / "junk.qordb", "not a database");
  EXPECT_EQ(directory_->OpenDatabase("junk", &none).code, kStatusStoreError);
}

TEST_F(StoreTest, UsersLogInWithPasswordsAndKeys) {
  UserKey key{};
  for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(i * 7);
  ASSERT_TRUE(db_->AddUser({"carol", "pw", key, false, true}).ok());
  EXPECT_EQ(db_->AddUser({"CAROL", "x", std::nullopt, false, false}).code, kStatusNameInUse);
  EXPECT_EQ(db_->AddUser({"", "x", std::nullopt, false, false}).code, kStatusInvalidName);

  UserRecord user;
  StoreStatus wrong = db_->Authenticate("carol", "PW", &user);
  StoreStatus unknown = db_->Authenticate("nobody", "pw", &user);
  EXPECT_EQ(wrong.code, kStatusBadCredentials);
  EXPECT_EQ(wrong.text, unknown.text);
  ASSERT_TRUE(db_->Authenticate("Carol", "pw", &user).ok());
  EXPECT_TRUE(user.must_change_password);
  ASSERT_TRUE(user.user_key.has_value());
  EXPECT_EQ(*user.user_key, key);
  EXPECT_FALSE(db_->FindUser("alice")->user_key.has_value());

  ASSERT_TRUE(db_->SetPassword(user.actor, "").ok());
  ASSERT_TRUE(db_->Authenticate("carol", "", &user).ok());
  EXPECT_FALSE(user.must_change_password);
  std::vector<UserListEntry> users;
  ASSERT_TRUE(db_->ListUsers(&users).ok());
  ASSERT_EQ(users.size(), 4u);
  EXPECT_EQ(users[2].name, "carol");
  EXPECT_TRUE(users[3].read_only);
}

TEST_F(StoreTest, SessionsOnSeveralThreadsShareOneDatabase) {
  MustCreateProject("$/P");
  constexpr int kThreads = 4;
  constexpr int kFiles = 10;
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t, &failures] {
      std::shared_ptr<Database> db;
      if (!directory_->OpenDatabase("main", &db).ok()) {
        ++failures[t];
        return;
      }
      for (int i = 0; i < kFiles; ++i) {
        std::string path = "$/P/t" + std::to_string(t) + "_" + std::to_string(i);
        OleMs time = 0;
        CheckoutResult checkout;
        if (!db->AddFile(alice_, path, {path, 0}, 0, false, "", &time).ok()) ++failures[t];
        if (!db->CheckOut(bob_, path, "", &checkout).ok()) ++failures[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
  int32_t count = 0;
  ASSERT_TRUE(db_->FileCount("$/P", &count).ok());
  EXPECT_EQ(count, kThreads * kFiles);
  ProjectGeneralInfo info;
  ASSERT_TRUE(db_->ProjectInfo("$/P", &info).ok());
  EXPECT_EQ(info.version, 1 + kThreads * kFiles);
}

TEST_F(StoreTest, ADestroyedFileCanNoLongerBeDownloaded) {
  MustCreateProject("$/P");
  MustAdd("$/P/f.c", "gone soon");
  VersionInfo info;
  ASSERT_TRUE(db_->ResolveGet("$/P/f.c", 0, &info).ok());
  ASSERT_TRUE(db_->DeleteItem(alice_, "$/P/f.c", true).ok());
  std::string bytes;
  EXPECT_EQ(db_->ReadBody(info.record_id, Eol::kLf, &bytes).code, kStatusVersionNotKept);
  std::vector<HistoryEntry> entries;
  ASSERT_TRUE(db_->ProjectHistoryOf("$/P", false, false, {}, &entries).ok());
  EXPECT_EQ(entries.front().action, "Destroyed");
}

}  // namespace
}  // namespace qorv::server::testing
