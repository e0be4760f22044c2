// Request encodings of every command, compared with frames written by hand.
#include <gtest/gtest.h>

#include "protocol/command_test_support.h"
#include "protocol/file_commands.h"
#include "protocol/query_commands.h"
#include "protocol/session_commands.h"
#include "protocol/tree_commands.h"

namespace qorv {
namespace {

using testing::HexOf;
using testing::RequestHex;
using testing::Wire;

// 45000.5 is noon of day 45000: days 45000, milliseconds 43200000.
constexpr double kNoon = 45000.5;

TEST(RequestEncoding, SessionCommands) {
  PlainLoginCommand login;
  login.database = "main";
  login.user_name = "alice";
  login.password = "pw";
  EXPECT_EQ(RequestHex(login), HexOf(Wire().Byte(0x01).Str("main").Str("alice").Str("pw")));

  SetPasswordCommand password;  // an empty password is four zero bytes
  EXPECT_EQ(RequestHex(password), HexOf(Wire().Byte(0x14).Str("")));
  EXPECT_EQ(RequestHex(DatabaseAliasesCommand()), "2c");
  EXPECT_EQ(RequestHex(KeepAlivePingCommand()), "52");
}

TEST(RequestEncoding, TreeCommands) {
  CreateProjectsCommand create;
  create.comment = "c";
  create.project_paths = {"$/A", "$/A/B"};
  EXPECT_EQ(RequestHex(create), HexOf(Wire().Byte(4).Str("c").Int32(2).Str("$/A").Str("$/A/B")));
  create.project_paths.clear();  // an empty list is its count 0
  EXPECT_EQ(RequestHex(create), HexOf(Wire().Byte(4).Str("c").Int32(0)));

  DeleteItemsCommand remove;
  remove.destroy_permanently = true;
  remove.item_paths = {"$/x"};
  EXPECT_EQ(RequestHex(remove), HexOf(Wire().Byte(5).Bool(true).Int32(1).Str("$/x")));

  RenameItemCommand rename{{}, "$/a", "b"};
  EXPECT_EQ(RequestHex(rename), HexOf(Wire().Byte(6).Str("$/a").Str("b")));

  RecoverItemsCommand recover;
  recover.item_paths = {"$/d"};
  EXPECT_EQ(RequestHex(recover), HexOf(Wire().Byte(7).Int32(1).Str("$/d")));

  ShareFileCommand share_file{{}, "$/T", "$/f", true, "why"};
  EXPECT_EQ(RequestHex(share_file),
            HexOf(Wire().Byte(8).Str("$/T").Str("$/f").Bool(true).Str("why")));

  ShareProjectCommand share_project{{}, "$/T", "$/P", false, true, ""};
  EXPECT_EQ(RequestHex(share_project),
            HexOf(Wire().Byte(9).Str("$/T").Str("$/P").Bool(false).Bool(true).Str("")));

  PinFileCommand pin;
  pin.file_path = "$/f";
  pin.version = -1;
  EXPECT_EQ(RequestHex(pin), HexOf(Wire().Byte(0x10).Str("$/f").Int32(-1)));

  UnpinFileCommand unpin;
  unpin.file_path = "$/f";
  EXPECT_EQ(RequestHex(unpin), HexOf(Wire().Byte(0x11).Str("$/f")));

  BranchItemCommand branch;
  branch.item_path = "$/f";
  branch.comment = "b";
  EXPECT_EQ(RequestHex(branch), HexOf(Wire().Byte(0x12).Str("$/f").Str("b")));

  MoveItemCommand move{{}, "$/a", "$/T"};
  EXPECT_EQ(RequestHex(move), HexOf(Wire().Byte(0x13).Str("$/a").Str("$/T")));

  PurgeItemsCommand purge;
  purge.item_paths = {"$/p", "$/q"};
  EXPECT_EQ(RequestHex(purge), HexOf(Wire().Byte(0x20).Int32(2).Str("$/p").Str("$/q")));

  LabelItemCommand label;
  label.item_path = "$/P";
  label.label_name = "v1";
  label.comment = "first";
  EXPECT_EQ(RequestHex(label), HexOf(Wire().Byte(0x21).Str("$/P").Str("v1").Str("first")));

  UndoCheckOutCommand undo;
  undo.file_paths = {"$/f"};
  EXPECT_EQ(RequestHex(undo), HexOf(Wire().Byte(0x2B).Int32(1).Str("$/f")));

  SetKeepLatestOnlyCommand latest{{}, "$/f", true};
  EXPECT_EQ(RequestHex(latest), HexOf(Wire().Byte(0x30).Str("$/f").Bool(true)));
}

TEST(RequestEncoding, QueryCommands) {
  CheckOutHoldersCommand holders;
  holders.path = "$/f";
  EXPECT_EQ(RequestHex(holders), HexOf(Wire().Byte(2).Str("$/f")));

  ProjectContentsCommand contents;
  contents.project_path = "$/P";
  contents.recursive = true;
  EXPECT_EQ(RequestHex(contents), HexOf(Wire().Byte(3).Str("$/P").Bool(true)));

  ItemLabelsCommand labels;
  labels.path = "$/P";
  EXPECT_EQ(RequestHex(labels), HexOf(Wire().Byte(0x15).Str("$/P")));

  FileLinksCommand links;
  links.file_path = "$/f";
  EXPECT_EQ(RequestHex(links), HexOf(Wire().Byte(0x16).Str("$/f")));

  FileGeneralInfoCommand file_info;
  file_info.file_path = "$/f";
  EXPECT_EQ(RequestHex(file_info), HexOf(Wire().Byte(0x17).Str("$/f")));

  ProjectGeneralInfoCommand project_info;
  project_info.project_path = "$/P";
  EXPECT_EQ(RequestHex(project_info), HexOf(Wire().Byte(0x18).Str("$/P")));

  DeletedItemsCommand deleted;
  deleted.project_path = "$/P";
  EXPECT_EQ(RequestHex(deleted), HexOf(Wire().Byte(0x19).Str("$/P")));

  FileHistoryCommand file_history;
  file_history.file_path = "$/f";
  file_history.user_name = "bob";
  file_history.from = -1.25;  // both parts carry the sign
  file_history.to = kNoon;
  EXPECT_EQ(
      RequestHex(file_history),
      HexOf(Wire().Byte(0x22).Str("$/f").Str("bob").Date(-1, -21600000).Date(45000, 43200000)));

  ProjectHistoryCommand project_history;
  project_history.project_path = "$/P";
  project_history.include_file_history = true;
  project_history.recursive = false;
  project_history.user_name = "";
  project_history.from = 0;
  project_history.to = kNoon;
  EXPECT_EQ(RequestHex(project_history),
            HexOf(Wire().Byte(0x23).Str("$/P").Bool(true).Bool(false).Str("").Date(0, 0).Date(
                45000, 43200000)));

  EXPECT_EQ(RequestHex(UsersCommand()), "25");

  FileExistsCommand file_exists;
  file_exists.path = "$/f";
  EXPECT_EQ(RequestHex(file_exists), HexOf(Wire().Byte(0x33).Str("$/f")));

  ProjectExistsCommand project_exists;
  project_exists.project_path = "$/P";
  EXPECT_EQ(RequestHex(project_exists), HexOf(Wire().Byte(0x34).Str("$/P")));

  ItemKindsCommand kinds;
  kinds.paths = {"$/a", "$/b"};
  EXPECT_EQ(RequestHex(kinds), HexOf(Wire().Byte(0x35).Int32(2).Str("$/a").Str("$/b")));

  FileCountCommand count;
  count.project_path = "$/P";
  EXPECT_EQ(RequestHex(count), HexOf(Wire().Byte(0x36).Str("$/P")));

  ListWithDatesCommand dated;
  dated.project_path = "$/P";
  EXPECT_EQ(RequestHex(dated), HexOf(Wire().Byte(0x37).Str("$/P")));

  ListSinceCommand since;
  since.project_path = "$/P";
  since.recursive = true;
  since.since = kNoon;
  EXPECT_EQ(RequestHex(since),
            HexOf(Wire().Byte(0x38).Str("$/P").Bool(true).Date(45000, 43200000)));

  ProjectFileListCommand file_list;
  file_list.project_path = "$/P";
  file_list.sub_project_depth = -1;
  file_list.include_files = 0;
  EXPECT_EQ(RequestHex(file_list), HexOf(Wire().Byte(0x3B).Str("$/P").Int32(-1).Int32(0)));

  VersionAtLabelCommand at_label;
  at_label.item_path = "$/f";
  at_label.label_name = "v1";
  EXPECT_EQ(RequestHex(at_label), HexOf(Wire().Byte(0x3C).Str("$/f").Str("v1")));

  AddCheckCommand add_check;
  add_check.entries = {{"$/P/a", false}, {"$/P/B", true}};
  EXPECT_EQ(RequestHex(add_check),
            HexOf(Wire().Byte(0x42).Int32(2).Str("$/P/a").Bool(false).Str("$/P/B").Bool(true)));

  FileStatusCommand status;
  status.line_ending_mode = 2;
  status.entries = {{"$/f", 0, true}, {"$/g", 3, false}};
  EXPECT_EQ(RequestHex(status), HexOf(Wire()
                                          .Byte(0x43)
                                          .Int32(2)
                                          .Int32(2)
                                          .Str("$/f")
                                          .Int32(0)
                                          .Bool(true)
                                          .Str("$/g")
                                          .Int32(3)
                                          .Bool(false)));

  CheckOutStateCommand state;
  state.file_paths = {};
  EXPECT_EQ(RequestHex(state), HexOf(Wire().Byte(0x44).Int32(0)));

  ProjectAtVersionCommand at_version;
  at_version.project_path = "$/P";
  at_version.version = 7;
  at_version.recursive = true;
  at_version.line_ending_mode = 1;
  EXPECT_EQ(RequestHex(at_version),
            HexOf(Wire().Byte(0x46).Str("$/P").Int32(7).Bool(true).Int32(1)));

  ProjectAtDateCommand at_date;
  at_date.project_path = "$/P";
  at_date.date = kNoon;
  at_date.recursive = false;
  at_date.line_ending_mode = 0;
  EXPECT_EQ(RequestHex(at_date),
            HexOf(Wire().Byte(0x47).Str("$/P").Date(45000, 43200000).Bool(false).Int32(0)));

  LabelDateCommand label_date;
  label_date.project_path = "$/P";
  label_date.label_name = "v1";
  EXPECT_EQ(RequestHex(label_date), HexOf(Wire().Byte(0x70).Str("$/P").Str("v1")));
}

TEST(RequestEncoding, FileCommands) {
  GetFilesCommand get;
  get.line_ending_mode = 2;
  get.file_time_mode = 1;
  get.login_identity = 77;
  get.entries = {{"$/f", 0}, {"$/g", 4}};
  EXPECT_EQ(RequestHex(get), HexOf(Wire()
                                       .Byte(0x26)
                                       .Int32(2)
                                       .Int32(1)
                                       .Int32(77)
                                       .Int32(2)
                                       .Str("$/f")
                                       .Int32(0)
                                       .Str("$/g")
                                       .Int32(4)));

  GetFilesAtVersionCommand at_version;
  at_version.project_path = "$/P";
  at_version.version = 3;
  at_version.recursive = true;
  at_version.line_ending_mode = 1;
  at_version.file_time_mode = 2;
  at_version.login_identity = 77;
  at_version.file_paths = {"$/P/a"};
  EXPECT_EQ(
      RequestHex(at_version),
      HexOf(
          Wire().Byte(0x3D).Str("$/P").Int32(3).Bool(true).Int32(1).Int32(2).Int32(77).Int32(1).Str(
              "$/P/a")));

  GetFilesAtDateCommand at_date;
  at_date.project_path = "$/P";
  at_date.date = kNoon;
  at_date.login_identity = 5;
  EXPECT_EQ(RequestHex(at_date), HexOf(Wire()
                                           .Byte(0x3E)
                                           .Str("$/P")
                                           .Date(45000, 43200000)
                                           .Bool(false)
                                           .Int32(0)
                                           .Int32(0)
                                           .Int32(5)
                                           .Int32(0)));

  AddFilesCommand add;
  add.comment = "new";
  add.line_ending_mode = 2;
  add.login_identity = 77;
  add.entries = {{3, "$/P/a.c", 2, true}};
  EXPECT_EQ(RequestHex(add), HexOf(Wire()
                                       .Byte(0x28)
                                       .Str("new")
                                       .Int32(2)
                                       .Int32(77)
                                       .Int32(1)
                                       .Int32(3)
                                       .Str("$/P/a.c")
                                       .Int32(2)
                                       .Bool(true)));

  CheckOutCommand check_out;
  check_out.comment = "mine";
  check_out.line_ending_mode = 2;
  check_out.file_time_mode = 0;
  check_out.login_identity = 77;
  check_out.entries = {{"$/f", 1}};
  const Wire check_out_fields =
      Wire().Str("mine").Int32(2).Int32(0).Int32(77).Int32(1).Str("$/f").Int32(1);
  EXPECT_EQ(RequestHex(check_out), "48" + HexOf(check_out_fields));
  CheckOutUnconfirmedCommand unconfirmed;
  static_cast<CheckOutFields&>(unconfirmed) = check_out;
  EXPECT_EQ(RequestHex(unconfirmed), "2a" + HexOf(check_out_fields));

  CheckInBeginCommand begin;
  begin.line_ending_mode = 1;
  begin.login_identity = 77;
  begin.entries = {{"$/f", 0}, {"$/g", 1}};
  EXPECT_EQ(
      RequestHex(begin),
      HexOf(Wire().Byte(0x50).Int32(1).Int32(77).Int32(2).Str("$/f").Int32(0).Str("$/g").Int32(1)));
}

TEST(RequestEncoding, ConfirmationsCarryOneInt32PerEntryAndNoCodeByte) {
  CheckOutConfirmationCommand confirmation;
  confirmation.results = {0, 40201, 19000};
  EXPECT_EQ(RequestHex(confirmation), HexOf(Wire().Int32(0).Int32(40201).Int32(19000)));
  confirmation.results.clear();  // no entries: an empty payload
  EXPECT_EQ(RequestHex(confirmation), "");

  ConfirmationWithoutReplyCommand without_reply;
  without_reply.results = {-1};
  EXPECT_EQ(RequestHex(without_reply), "ffffffff");
}

TEST(RequestEncoding, CheckInCommitSendsOnlyTheEntriesStillAtZeroWithTheirIndexInTheList) {
  CheckInCommitCommand commit;
  commit.keep_checked_out = true;
  commit.comment = "fix";
  commit.entries.resize(4);
  commit.entries[0].file_path = "$/a";
  commit.entries[1].file_path = "$/b";
  commit.entries[1].result = kResultFileNotTransferred;  // its body did not reach the server
  commit.entries[2].file_path = "$/c";
  commit.entries[2].body_uploaded = true;
  commit.entries[3].file_path = "$/d";
  commit.entries[3].result = 40203;
  EXPECT_EQ(RequestHex(commit), HexOf(Wire()
                                          .Byte(0x51)
                                          .Bool(true)
                                          .Str("fix")
                                          .Int32(2)
                                          .Str("$/a")
                                          .Bool(false)
                                          .Int32(0)
                                          .Str("$/c")
                                          .Bool(true)
                                          .Int32(2)));
}

}  // namespace
}  // namespace qorv
