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

class NoEvents : public DriverOwner {
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
    RequestStatus status;
    const int32_t result = engine_.ConnectToServer(settings, &status, &connected, &mode);
    Keep(status);
    return result;
  }

  int32_t Login(const std::string& user, const std::string& password, const ChannelKey& key = {}) {
    bool must_change = false;
    int32_t expire_days = -1;
    RequestStatus status;
    const int32_t result =
        engine_.Login(user, password, "Main", key, &status, &must_change, &expire_days);
    Keep(status);
    return result;
  }

  // One single-step request of the engine.
  template <class Command>
  int32_t Run(Command& command) {
    RequestStatus status;
    const int32_t result = engine_.Run(command, &status);
    Keep(status);
    return result;
  }

  int32_t CreateProjects(const std::vector<std::string>& paths, std::vector<EntryResult>* results) {
    CreateProjectsCommand command;
    command.project_paths = paths;
    const int32_t result = Run(command);
    *results = command.reply;
    return result;
  }

  int32_t ProjectExists(const std::string& path, bool* exists) {
    ProjectExistsCommand command;
    command.project_path = path;
    const int32_t result = Run(command);
    *exists = command.reply;
    return result;
  }

  void ConnectAndLogin() {
    ASSERT_EQ(Connect(), 0) << description_;
    ASSERT_EQ(Login("alice", "secret"), 0) << description_;
  }

  NoEvents owner_;
  OperationDriver driver_{&owner_};
  CRequestEngine engine_{driver_};
  bool canceled_ = false;
  std::string description_;

 private:
  void Keep(const RequestStatus& status) {
    canceled_ = status.canceled;
    description_ = status.description;
  }
};

TEST_F(EngineTest, TreeEditsThroughTheEngine) {
  ConnectAndLogin();
  CreateProjectsCommand create;
  create.comment = "c";
  create.project_paths = {"$/P/Q", "$/P/Q", "$/X/Y"};
  ASSERT_EQ(Run(create), 0) << description_;
  EXPECT_EQ(create.reply, (std::vector<EntryResult>{{0, "Completed"},
                                                    {2, "Project $/P/Q already exists"},
                                                    {3, "Project $/X does not exist"}}));
  RenameItemCommand rename;
  rename.item_path = "$/P/a.c";
  rename.new_name = "b.c";
  ASSERT_EQ(Run(rename), 0) << description_;
  ShareFileCommand share_file;
  share_file.target_project = "$/P/Q";
  share_file.file_path = "$/P/b.c";
  ASSERT_EQ(Run(share_file), 0);
  FileLinksCommand links;
  links.file_path = "$/P/Q/b.c";
  ASSERT_EQ(Run(links), 0);
  EXPECT_EQ(links.reply, (std::vector<std::string>{"$/P/b.c", "$/P/Q/b.c"}));

  PinFileCommand pin;
  pin.file_path = "$/P/Q/b.c";
  pin.version = 1;
  ASSERT_EQ(Run(pin), 0) << description_;
  const double date = pin.reply.date;
  EXPECT_GT(date, 0);
  UnpinFileCommand unpin;
  unpin.file_path = "$/P/Q/b.c";
  ASSERT_EQ(Run(unpin), 0);
  EXPECT_EQ(unpin.reply.version, 1);
  EXPECT_EQ(unpin.reply.date, date);
  BranchItemCommand branch;
  branch.item_path = "$/P/Q/b.c";
  branch.comment = "own";
  ASSERT_EQ(Run(branch), 0) << description_;
  EXPECT_EQ(branch.reply.version, 1);
  EXPECT_NEAR(branch.reply.date, ToOleDouble(LocalNowMs()), 1.0 / 24);
  ShareProjectCommand share_project;
  share_project.target_project = "$/";
  share_project.project_path = "$/P/Q";
  share_project.recursive = true;
  ASSERT_EQ(Run(share_project), 0);
  MoveItemCommand move;
  move.item_path = "$/Q";
  move.target_project = "$/P";
  EXPECT_EQ(Run(move), kStatusNameInUse);
  EXPECT_EQ(description_, "An item with the name Q already exists");

  DeleteItemsCommand remove;
  remove.item_paths = {"$/Q"};
  ASSERT_EQ(Run(remove), 0);
  DeletedItemsCommand deleted;
  deleted.project_path = "$/";
  ASSERT_EQ(Run(deleted), 0);
  ASSERT_EQ(deleted.reply.size(), 1u);
  EXPECT_EQ(deleted.reply[0].item_name, "Q");
  EXPECT_TRUE(deleted.reply[0].is_project);
  RecoverItemsCommand recover;
  recover.item_paths = {"$/Q"};
  ASSERT_EQ(Run(recover), 0);
  EXPECT_EQ(recover.reply[0].result, 0);
  EXPECT_GT(recover.reply[0].date, 0);
  ASSERT_EQ(Run(remove), 0);
  PurgeItemsCommand purge;
  purge.item_paths = {"$/Q", "$/Q"};
  ASSERT_EQ(Run(purge), 0);
  EXPECT_EQ(purge.reply[0].result, 0);
  EXPECT_EQ(purge.reply[1].result, kStatusNoDeletedItem);
  EXPECT_FALSE(db_->ProjectExists("$/Q"));

  SetKeepLatestOnlyCommand latest_only;
  latest_only.file_path = "$/P/b.c";
  latest_only.latest_only = true;
  ASSERT_EQ(Run(latest_only), 0);
  SetPasswordCommand password;
  password.new_password = "secret2";
  ASSERT_EQ(Run(password), 0);
  UserRecord user;
  EXPECT_TRUE(db_->Authenticate("alice", "secret2", &user).ok());
}

TEST_F(EngineTest, LabelsAndPointsInTimeRoundTripThroughTheClientsDates) {
  ConnectAndLogin();
  LabelItemCommand label;
  label.item_path = "$/P";
  label.label_name = "Beta";
  ASSERT_EQ(Run(label), 0);
  // A change after the label, which the listing at the label must not show.
  MustAdd("$/P/late.c", "late\n");
  LabelDateCommand label_date;
  label_date.project_path = "$/P";
  label_date.label_name = "beta";
  ASSERT_EQ(Run(label_date), 0);
  const double date = label_date.reply;
  EXPECT_EQ(date, label.reply.date);
  VersionAtLabelCommand version;
  version.item_path = "$/P/a.c";
  version.label_name = "Beta";
  ASSERT_EQ(Run(version), 0);
  EXPECT_EQ(version.reply, 1);
  ItemLabelsCommand labels;
  labels.path = "$/P/a.c";
  ASSERT_EQ(Run(labels), 0);
  ASSERT_EQ(labels.reply.labels.size(), 1u);
  EXPECT_EQ(labels.reply.labels[0].labeled_item, "$/P");

  // The date went from the server's two int32 to a double and back: it
  // still names the labelled state.
  ProjectAtDateCommand at_date;
  at_date.project_path = "$/P";
  at_date.date = date;
  at_date.line_ending_mode = 2;
  ASSERT_EQ(Run(at_date), 0) << description_;
  const std::vector<qorv::ListedItem>& items = at_date.reply;
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].item_name, "a.c");
  EXPECT_EQ(items[0].size, 10);
  const Md5Digest expected = Md5Of("one\r\ntwo\r\n");
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), items[0].digest.begin()));
  ProjectAtVersionCommand at_version;
  at_version.project_path = "$/P";
  at_version.version = 2;
  at_version.line_ending_mode = 1;
  ASSERT_EQ(Run(at_version), 0);
  ASSERT_EQ(at_version.reply.size(), 1u);
  EXPECT_EQ(at_version.reply[0].size, 8);
  at_version.line_ending_mode = 7;
  EXPECT_EQ(Run(at_version), kStatusInvalidEol);
}

TEST_F(EngineTest, QueriesThroughTheEngineSeeTwoUsersCheckOuts) {
  MustCreateProject("$/P/Sub");
  CheckoutResult checkout;
  ASSERT_TRUE(db_->CheckOut(bob_, "$/P/a.c", "", &checkout).ok());
  ASSERT_TRUE(db_->CheckOut(alice_, "$/P/a.c", "", &checkout).ok());
  ConnectAndLogin();

  ProjectFileListCommand list;
  list.project_path = "$/P";
  list.sub_project_depth = 0;
  list.include_files = 1;
  ASSERT_EQ(Run(list), 0);
  const std::vector<ProjectFileListEntry>& files = list.reply;
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].name, "a.c");
  EXPECT_EQ(files[0].status, 5);
  EXPECT_EQ(files[0].check_out_count, 2);
  EXPECT_EQ(files[0].user_name, "bob");
  EXPECT_EQ(files[0].size, 8);
  list.project_path = "$/";
  list.sub_project_depth = -1;
  list.include_files = 0;
  ASSERT_EQ(Run(list), 0);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[1].name, "P/Sub");

  ProjectContentsCommand contents;
  contents.project_path = "$/P";
  contents.recursive = true;
  ASSERT_EQ(Run(contents), 0);
  ASSERT_EQ(contents.reply.size(), 2u);
  EXPECT_EQ(contents.reply[1].status, 5);
  EXPECT_EQ(contents.reply[1].file_type, 2);

  CheckOutHoldersCommand holders;
  holders.path = "$/P";
  ASSERT_EQ(Run(holders), 0);
  EXPECT_EQ(holders.reply, (std::vector<std::string>{"alice", "bob"}));
  CheckOutStateCommand states;
  states.file_paths = {"$/P/a.c"};
  ASSERT_EQ(Run(states), 0);
  EXPECT_TRUE(states.reply[0].checked_out_by_you);
  EXPECT_EQ(states.reply[0].version_checked_out, 1);
  FileStatusCommand statuses;
  statuses.line_ending_mode = 1;
  statuses.entries = {{"$/P/a.c", 0, true}, {"$/P/none.c", 0, true}};
  ASSERT_EQ(Run(statuses), 0);
  EXPECT_TRUE(statuses.reply[0].checked_out_by_you);
  EXPECT_EQ(statuses.reply[0].file_status, 5);
  const Md5Digest lf = Md5Of("one\ntwo\n");
  EXPECT_TRUE(std::equal(lf.begin(), lf.end(), statuses.reply[0].digest.begin()));
  EXPECT_EQ(statuses.reply[1].result, kStatusFileNotFound);
  UndoCheckOutCommand undo;
  undo.file_paths = {"$/P/a.c"};
  ASSERT_EQ(Run(undo), 0);
  EXPECT_EQ(undo.reply[0].file_status, 3);
  EXPECT_EQ(undo.reply[0].user_text, "bob");

  FileGeneralInfoCommand file_info;
  file_info.file_path = "$/P/a.c";
  ASSERT_EQ(Run(file_info), 0);
  EXPECT_EQ(file_info.reply.file_type, "Text");
  ProjectGeneralInfoCommand project_info;
  project_info.project_path = "$/P";
  ASSERT_EQ(Run(project_info), 0);
  EXPECT_EQ(project_info.reply.sub_projects_not_deleted, 1);
  EXPECT_EQ(project_info.reply.files_not_deleted, 1);
  FileHistoryCommand file_history;
  file_history.file_path = "$/P/a.c";
  ASSERT_EQ(Run(file_history), 0);
  ASSERT_EQ(file_history.reply.entries.size(), 4u);  // created, two check-outs, one undo
  EXPECT_EQ(file_history.reply.entries.back().action, "Created");
  ProjectHistoryCommand project_history;
  project_history.project_path = "$/P";
  project_history.user_name = "alice";
  ASSERT_EQ(Run(project_history), 0);
  EXPECT_EQ(project_history.reply.size(), 3u);

  UsersCommand users;
  ASSERT_EQ(Run(users), 0);
  EXPECT_EQ(users.reply.size(), 3u);
  DatabaseAliasesCommand aliases;
  ASSERT_EQ(Run(aliases), 0);
  EXPECT_EQ(aliases.reply, std::vector<std::string>{"Main"});
  FileExistsCommand file_exists;
  file_exists.path = "$/P/a.c";
  ASSERT_EQ(Run(file_exists), 0);
  EXPECT_TRUE(file_exists.reply);
  bool exists = true;
  ASSERT_EQ(ProjectExists("$/P/a.c", &exists), 0);
  EXPECT_FALSE(exists);
  ItemKindsCommand kinds;
  kinds.paths = {"$/P", "$/P/a.c"};
  ASSERT_EQ(Run(kinds), 0);
  EXPECT_EQ(kinds.reply, (std::vector<uint8_t>{1, 2}));
  FileCountCommand count;
  count.project_path = "$/P";
  ASSERT_EQ(Run(count), 0);
  EXPECT_EQ(count.reply, 1);
  ListWithDatesCommand dated;
  dated.project_path = "$/P";
  ASSERT_EQ(Run(dated), 0);
  EXPECT_EQ(dated.reply.size(), 2u);
  ListSinceCommand changed;
  changed.project_path = "$/P";
  changed.recursive = true;
  ASSERT_EQ(Run(changed), 0);
  EXPECT_EQ(changed.reply.size(), 2u);
  AddCheckCommand checks;
  checks.entries = {{"$/P/a.c", false}, {"$/P/new.c", false}};
  ASSERT_EQ(Run(checks), 0);
  EXPECT_TRUE(checks.reply[0].live_item_exists);
  EXPECT_FALSE(checks.reply[1].live_item_exists);
  EXPECT_TRUE(checks.reply[1].project_exists);
}

TEST_F(EngineTest, ReadOnlyPurgeCarriesTheRefusalInEveryEntry) {
  ASSERT_EQ(Connect(), 0);
  ASSERT_EQ(Login("reader", "r"), 0) << description_;
  PurgeItemsCommand purge;
  purge.item_paths = {"$/P/x", "$/P/y"};
  EXPECT_EQ(Run(purge), kStatusNoRights);
  EXPECT_EQ(description_, "You do not have the rights for this operation");
  // The engine read both entries (a short reply would have been 12008) and
  // the connection is still in step.
  bool exists = false;
  ASSERT_EQ(ProjectExists("$/P", &exists), 0);
  EXPECT_TRUE(exists);
}

TEST_F(EngineTest, AfterTheServerDroppedARequestTheEngineReconnectsAndLogsInAgain) {
  ConnectAndLogin();  // frame 1 of the first connection
  FaultHooks hooks;
  hooks.drop_after_frames = 2;
  server_->SetFaultHooks(hooks);
  std::vector<EntryResult> results;
  ASSERT_EQ(CreateProjects({"$/P/One"}, &results), 0);
  // The third frame is dropped unanswered and not carried out.
  const int32_t dropped = CreateProjects({"$/P/Two"}, &results);
  EXPECT_TRUE(dropped == kResultPeerClosed || dropped == kResultSocketError) << dropped;
  EXPECT_FALSE(db_->ProjectExists("$/P/Two"));
  // The next request finds the connection dead, reconnects and logs in with
  // the saved login (frame 1), then runs (frame 2).
  ASSERT_EQ(CreateProjects({"$/P/Two"}, &results), 0) << description_;
  EXPECT_EQ(results[0].result, 0);
  EXPECT_TRUE(db_->ProjectExists("$/P/Two"));
}

TEST_F(EngineTest, AFailedLoginAfterADropLeavesNoConnectionThatIsNotLoggedIn) {
  ConnectAndLogin();  // frame 1
  FaultHooks hooks;
  hooks.drop_after_frames = 2;
  server_->SetFaultHooks(hooks);
  bool exists = false;
  ASSERT_EQ(ProjectExists("$/P", &exists), 0);
  // Dropped: the connection is dead.
  EXPECT_NE(ProjectExists("$/P", &exists), 0);
  server_->SetFaultHooks(FaultHooks{});
  // This login reconnects first, then fails; the saved login (alice) stays.
  EXPECT_NE(Login("alice", "wrong"), 0);
  // The next request must log in again as alice, not run unauthenticated.
  exists = false;
  ASSERT_EQ(ProjectExists("$/P", &exists), 0) << description_;
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
  ASSERT_EQ(ProjectExists("$/P", &exists), 0) << description_;
  EXPECT_TRUE(exists);
}

}  // namespace
}  // namespace qorv::server::testing
