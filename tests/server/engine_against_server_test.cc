// The client's own request engine and protocol client against the reference
// server: every single-step request of the engine with the values it reads
// back, the keyed login with a server-issued key file, and the engine's
// reconnect after the server dropped a request.
#include <gtest/gtest.h>

#include <sstream>

#include "net/key_file.h"
#include "protocol/request_engine.h"
#include "server/admin_commands.h"
#include "server/content_digest.h"
#include "server/server_fixture.h"

namespace qorv::server::testing {
namespace {

class NoEvents : public IDriverOwner {
 public:
  void RaiseEvent(SdkEvent) override {}
};

class EngineTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    MustCreateProject("$/P");
    MustAdd("$/P/a.c", "one\r\ntwo\r\n");
  }

  int32_t Connect() {
    ConnectSettings settings;
    settings.server_host = "127.0.0.1";
    settings.server_port = server_->port();
    bool connected = false;
    int32_t mode = -1;
    return engine_.ConnectToServer(settings, &canceled_, &description_, &connected, &mode);
  }

  int32_t Login(const std::string& user, const std::string& password, const ChannelKey& key = {}) {
    bool must_change = false;
    int32_t expire_days = -1;
    return engine_.Login(user, password, "Main", key, &canceled_, &description_, &must_change,
                         &expire_days);
  }

  void ConnectAndLogin() {
    ASSERT_EQ(Connect(), 0) << description_;
    ASSERT_EQ(Login("alice", "secret"), 0) << description_;
  }

  NoEvents owner_;
  COperationDriver driver_{&owner_};
  CRequestEngine engine_{driver_};
  bool canceled_ = false;
  std::string description_;
};

TEST_F(EngineTest, TreeEditsThroughTheEngine) {
  ConnectAndLogin();
  std::vector<EntryResult> results;
  ASSERT_EQ(
      engine_.CreateProjects("c", {"$/P/Q", "$/P/Q", "$/X/Y"}, &canceled_, &description_, &results),
      0)
      << description_;
  EXPECT_EQ(results, (std::vector<EntryResult>{{0, "Completed"},
                                               {2, "Project $/P/Q already exists"},
                                               {3, "Project $/X does not exist"}}));
  ASSERT_EQ(engine_.RenameItem("$/P/a.c", "b.c", &canceled_, &description_), 0) << description_;
  ASSERT_EQ(engine_.ShareFile("$/P/Q", "$/P/b.c", false, "", &canceled_, &description_), 0);
  std::vector<std::string> links;
  ASSERT_EQ(engine_.FileLinks("$/P/Q/b.c", &canceled_, &description_, &links), 0);
  EXPECT_EQ(links, (std::vector<std::string>{"$/P/b.c", "$/P/Q/b.c"}));

  double date = 0;
  ASSERT_EQ(engine_.PinFile("$/P/Q/b.c", 1, &canceled_, &description_, &date), 0) << description_;
  EXPECT_GT(date, 0);
  UnpinFileCommand::Reply unpinned;
  ASSERT_EQ(engine_.UnpinFile("$/P/Q/b.c", &canceled_, &description_, &unpinned), 0);
  EXPECT_EQ(unpinned.version, 1);
  EXPECT_EQ(unpinned.date, date);
  BranchItemCommand::Reply branched;
  ASSERT_EQ(engine_.BranchItem("$/P/Q/b.c", "own", &canceled_, &description_, &branched), 0)
      << description_;
  EXPECT_EQ(branched.version, 1);
  EXPECT_NEAR(branched.date, ToOleDouble(LocalNowMs()), 1.0 / 24);
  ASSERT_EQ(engine_.ShareProject("$/", "$/P/Q", false, true, "", &canceled_, &description_), 0);
  EXPECT_EQ(engine_.MoveItem("$/Q", "$/P", &canceled_, &description_), kStatusNameInUse);
  EXPECT_EQ(description_, "An item with the name Q already exists");

  ASSERT_EQ(engine_.DeleteItems(false, {"$/Q"}, &canceled_, &description_, &results), 0);
  std::vector<qorv::DeletedItem> deleted;
  ASSERT_EQ(engine_.DeletedItems("$/", &canceled_, &description_, &deleted), 0);
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0].item_name, "Q");
  EXPECT_TRUE(deleted[0].is_project);
  std::vector<RecoveredItem> recovered;
  ASSERT_EQ(engine_.RecoverItems({"$/Q"}, &canceled_, &description_, &recovered), 0);
  EXPECT_EQ(recovered[0].result, 0);
  EXPECT_GT(recovered[0].date, 0);
  ASSERT_EQ(engine_.DeleteItems(false, {"$/Q"}, &canceled_, &description_, &results), 0);
  ASSERT_EQ(engine_.PurgeItems({"$/Q", "$/Q"}, &canceled_, &description_, &results), 0);
  EXPECT_EQ(results[0].result, 0);
  EXPECT_EQ(results[1].result, kStatusNoDeletedItem);
  EXPECT_FALSE(db_->ProjectExists("$/Q"));

  ASSERT_EQ(engine_.SetKeepLatestOnly("$/P/b.c", true, &canceled_, &description_), 0);
  ASSERT_EQ(engine_.SetPassword("secret2", &canceled_, &description_), 0);
  UserRecord user;
  EXPECT_TRUE(db_->Authenticate("alice", "secret2", &user).ok());
}

TEST_F(EngineTest, LabelsAndPointsInTimeRoundTripThroughTheClientsDates) {
  ConnectAndLogin();
  double label_date = 0;
  ASSERT_EQ(engine_.LabelItem("$/P", "Beta", "", &canceled_, &description_, &label_date), 0);
  // A change after the label, which the listing at the label must not show.
  MustAdd("$/P/late.c", "late\n");
  double date = 0;
  ASSERT_EQ(engine_.LabelDate("$/P", "beta", &canceled_, &description_, &date), 0);
  EXPECT_EQ(date, label_date);
  int32_t version = 0;
  ASSERT_EQ(engine_.VersionAtLabel("$/P/a.c", "Beta", &canceled_, &description_, &version), 0);
  EXPECT_EQ(version, 1);
  ItemLabelsCommand::Reply labels;
  ASSERT_EQ(engine_.ItemLabels("$/P/a.c", &canceled_, &description_, &labels), 0);
  ASSERT_EQ(labels.labels.size(), 1u);
  EXPECT_EQ(labels.labels[0].labeled_item, "$/P");

  // The date went from the server's two int32 to a double and back: it
  // still names the labelled state.
  std::vector<qorv::ListedItem> items;
  ASSERT_EQ(engine_.ProjectAtDate("$/P", date, false, 2, &canceled_, &description_, &items), 0)
      << description_;
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].item_name, "a.c");
  EXPECT_EQ(items[0].size, 10);
  const Md5Digest expected = Md5Of("one\r\ntwo\r\n");
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), items[0].digest.begin()));
  ASSERT_EQ(engine_.ProjectAtVersion("$/P", 2, false, 1, &canceled_, &description_, &items), 0);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].size, 8);
  EXPECT_EQ(engine_.ProjectAtVersion("$/P", 2, false, 7, &canceled_, &description_, &items),
            kStatusInvalidEol);
}

TEST_F(EngineTest, QueriesThroughTheEngineSeeTwoUsersCheckOuts) {
  MustCreateProject("$/P/Sub");
  CheckoutResult checkout;
  ASSERT_TRUE(db_->CheckOut(bob_, "$/P/a.c", "", &checkout).ok());
  ASSERT_TRUE(db_->CheckOut(alice_, "$/P/a.c", "", &checkout).ok());
  ConnectAndLogin();

  std::vector<ProjectFileListEntry> files;
  ASSERT_EQ(engine_.ProjectFileList("$/P", 0, 1, &canceled_, &description_, &files), 0);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].name, "a.c");
  EXPECT_EQ(files[0].status, 5);
  EXPECT_EQ(files[0].check_out_count, 2);
  EXPECT_EQ(files[0].user_name, "bob");
  EXPECT_EQ(files[0].size, 8);
  ASSERT_EQ(engine_.ProjectFileList("$/", -1, 0, &canceled_, &description_, &files), 0);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[1].name, "P/Sub");

  std::vector<ProjectContentsEntry> contents;
  ASSERT_EQ(engine_.ProjectContents("$/P", true, &canceled_, &description_, &contents), 0);
  ASSERT_EQ(contents.size(), 2u);
  EXPECT_EQ(contents[1].status, 5);
  EXPECT_EQ(contents[1].file_type, 2);

  std::vector<std::string> holders;
  ASSERT_EQ(engine_.CheckOutHolders("$/P", &canceled_, &description_, &holders), 0);
  EXPECT_EQ(holders, (std::vector<std::string>{"alice", "bob"}));
  std::vector<CheckOutStateResult> states;
  ASSERT_EQ(engine_.CheckOutState({"$/P/a.c"}, &canceled_, &description_, &states), 0);
  EXPECT_TRUE(states[0].checked_out_by_you);
  EXPECT_EQ(states[0].version_checked_out, 1);
  std::vector<FileStatusResult> statuses;
  ASSERT_EQ(engine_.FileStatus(1, {{"$/P/a.c", 0, true}, {"$/P/none.c", 0, true}}, &canceled_,
                               &description_, &statuses),
            0);
  EXPECT_TRUE(statuses[0].checked_out_by_you);
  EXPECT_EQ(statuses[0].file_status, 5);
  const Md5Digest lf = Md5Of("one\ntwo\n");
  EXPECT_TRUE(std::equal(lf.begin(), lf.end(), statuses[0].digest.begin()));
  EXPECT_EQ(statuses[1].result, kStatusFileNotFound);
  std::vector<UndoneCheckOut> undone;
  ASSERT_EQ(engine_.UndoCheckOut({"$/P/a.c"}, &canceled_, &description_, &undone), 0);
  EXPECT_EQ(undone[0].file_status, 3);
  EXPECT_EQ(undone[0].user_text, "bob");

  qorv::FileGeneralInfo file_info;
  ASSERT_EQ(engine_.FileGeneralInfo("$/P/a.c", &canceled_, &description_, &file_info), 0);
  EXPECT_EQ(file_info.file_type, "Text");
  qorv::ProjectGeneralInfo project_info;
  ASSERT_EQ(engine_.ProjectGeneralInfo("$/P", &canceled_, &description_, &project_info), 0);
  EXPECT_EQ(project_info.sub_projects_not_deleted, 1);
  EXPECT_EQ(project_info.files_not_deleted, 1);
  FileHistoryCommand::Reply file_history;
  ASSERT_EQ(engine_.FileHistory("$/P/a.c", "", 0, 0, &canceled_, &description_, &file_history), 0);
  ASSERT_EQ(file_history.entries.size(), 4u);  // created, two check-outs, one undo
  EXPECT_EQ(file_history.entries.back().action, "Created");
  std::vector<ProjectHistoryEntry> project_history;
  ASSERT_EQ(engine_.ProjectHistory("$/P", false, false, "alice", 0, 0, &canceled_, &description_,
                                   &project_history),
            0);
  EXPECT_EQ(project_history.size(), 3u);

  std::vector<qorv::UserRecord> users;
  ASSERT_EQ(engine_.Users(&canceled_, &description_, &users), 0);
  EXPECT_EQ(users.size(), 3u);
  std::vector<std::string> aliases;
  ASSERT_EQ(engine_.DatabaseAliases(&canceled_, &description_, &aliases), 0);
  EXPECT_EQ(aliases, std::vector<std::string>{"Main"});
  bool exists = false;
  ASSERT_EQ(engine_.FileExists("$/P/a.c", &canceled_, &description_, &exists), 0);
  EXPECT_TRUE(exists);
  ASSERT_EQ(engine_.ProjectExists("$/P/a.c", &canceled_, &description_, &exists), 0);
  EXPECT_FALSE(exists);
  std::vector<uint8_t> kinds;
  ASSERT_EQ(engine_.ItemKinds({"$/P", "$/P/a.c"}, &canceled_, &description_, &kinds), 0);
  EXPECT_EQ(kinds, (std::vector<uint8_t>{1, 2}));
  int32_t count = 0;
  ASSERT_EQ(engine_.FileCount("$/P", &canceled_, &description_, &count), 0);
  EXPECT_EQ(count, 1);
  std::vector<DatedItem> dated;
  ASSERT_EQ(engine_.ListWithDates("$/P", &canceled_, &description_, &dated), 0);
  EXPECT_EQ(dated.size(), 2u);
  std::vector<ChangedItem> changed;
  ASSERT_EQ(engine_.ListSince("$/P", true, 0, &canceled_, &description_, &changed), 0);
  EXPECT_EQ(changed.size(), 2u);
  std::vector<AddCheckResult> checks;
  ASSERT_EQ(engine_.AddCheck({{"$/P/a.c", false}, {"$/P/new.c", false}}, &canceled_, &description_,
                             &checks),
            0);
  EXPECT_TRUE(checks[0].live_item_exists);
  EXPECT_FALSE(checks[1].live_item_exists);
  EXPECT_TRUE(checks[1].project_exists);
}

TEST_F(EngineTest, ReadOnlyPurgeCarriesTheRefusalInEveryEntry) {
  ASSERT_EQ(Connect(), 0);
  ASSERT_EQ(Login("reader", "r"), 0) << description_;
  std::vector<EntryResult> results;
  EXPECT_EQ(engine_.PurgeItems({"$/P/x", "$/P/y"}, &canceled_, &description_, &results),
            kStatusNoRights);
  EXPECT_EQ(description_, "You do not have the rights for this operation");
  // The engine read both entries (a short reply would have been 12008) and
  // the connection is still in step.
  bool exists = false;
  ASSERT_EQ(engine_.ProjectExists("$/P", &canceled_, &description_, &exists), 0);
  EXPECT_TRUE(exists);
}

TEST_F(EngineTest, AfterTheServerDroppedARequestTheEngineReconnectsAndLogsInAgain) {
  ConnectAndLogin();  // frame 1 of the first connection
  FaultHooks hooks;
  hooks.drop_after_frames = 2;
  server_->SetFaultHooks(hooks);
  std::vector<EntryResult> results;
  ASSERT_EQ(engine_.CreateProjects("", {"$/P/One"}, &canceled_, &description_, &results), 0);
  // The third frame is dropped unanswered and not carried out.
  const int32_t dropped =
      engine_.CreateProjects("", {"$/P/Two"}, &canceled_, &description_, &results);
  EXPECT_TRUE(dropped == kResultPeerClosed || dropped == kResultSocketError) << dropped;
  EXPECT_FALSE(db_->ProjectExists("$/P/Two"));
  // The next request finds the connection dead, reconnects and logs in with
  // the saved login (frame 1), then runs (frame 2).
  ASSERT_EQ(engine_.CreateProjects("", {"$/P/Two"}, &canceled_, &description_, &results), 0)
      << description_;
  EXPECT_EQ(results[0].result, 0);
  EXPECT_TRUE(db_->ProjectExists("$/P/Two"));
}

TEST_F(EngineTest, AFailedLoginAfterADropLeavesNoConnectionThatIsNotLoggedIn) {
  ConnectAndLogin();  // frame 1
  FaultHooks hooks;
  hooks.drop_after_frames = 2;
  server_->SetFaultHooks(hooks);
  bool exists = false;
  ASSERT_EQ(engine_.ProjectExists("$/P", &canceled_, &description_, &exists), 0);
  // Dropped: the connection is dead.
  EXPECT_NE(engine_.ProjectExists("$/P", &canceled_, &description_, &exists), 0);
  server_->SetFaultHooks(FaultHooks{});
  // This login reconnects first, then fails; the saved login (alice) stays.
  EXPECT_NE(Login("alice", "wrong"), 0);
  // The next request must log in again as alice, not run unauthenticated.
  exists = false;
  ASSERT_EQ(engine_.ProjectExists("$/P", &canceled_, &description_, &exists), 0) << description_;
  EXPECT_TRUE(exists);
}

TEST_F(EngineTest, BlowfishLoginWithAServerIssuedKeyFile) {
  StartServer(Config(1));
  const std::string file = temp_.Child("alice.key");
  std::ostringstream out, err;
  ASSERT_EQ(RunAdminCommand({"issue-key", "--data", temp_.Child("data"), "--db", "Main", "--user",
                             "alice", "--server", "127.0.0.1", "--out", file},
                            out, err),
            0)
      << err.str();
  ASSERT_EQ(Connect(), 0) << description_;
  const ChannelKey key = ChooseUserKey({file}, "127.0.0.1", "alice");
  ASSERT_NE(key, ChannelKey{});
  ChannelKey wrong = key;
  wrong[7] ^= 0x80;
  EXPECT_EQ(Login("alice", "secret", wrong), kStatusUserKeyMismatch);
  ASSERT_EQ(Login("alice", "secret", key), 0) << description_;
  EXPECT_EQ(engine_.channel_key(), key);
  bool exists = false;
  ASSERT_EQ(engine_.ProjectExists("$/P", &canceled_, &description_, &exists), 0) << description_;
  EXPECT_TRUE(exists);
}

}  // namespace
}  // namespace qorv::server::testing
