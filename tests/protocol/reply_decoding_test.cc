// Reply decoding of every command from frames written by hand: the fields in
// order, empty lists, a nonzero status that stops reading, command 32 read
// whatever the status, command 81 matched by index, the replies that are not
// parsed, and replies shorter than their fields.
#include <gtest/gtest.h>

#include <stdexcept>

#include "net/socket_buffer_exception.h"
#include "protocol/command_test_support.h"
#include "protocol/file_commands.h"
#include "protocol/query_commands.h"
#include "protocol/session_commands.h"
#include "protocol/tree_commands.h"

namespace qorv {
namespace {

using testing::ParseWhole;
using testing::Wire;

constexpr double kNoon = 45000.5;  // days 45000, 43200000 ms

Wire Ok() { return Wire().Status(0, "Completed"); }

std::vector<uint8_t> Digest16(uint8_t first) {
  std::vector<uint8_t> digest(16);
  for (size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<uint8_t>(first + i);
  return digest;
}

TEST(ReplyDecoding, SessionCommands) {
  PlainLoginCommand login;
  ParseWhole(login, Ok().Bool(false).Int32(30).Int32(12345));
  EXPECT_FALSE(login.reply.must_change_password);
  EXPECT_EQ(login.reply.expire_days, 30);
  EXPECT_EQ(login.reply.login_identity, 12345);

  DatabaseAliasesCommand aliases;
  ParseWhole(aliases, Ok().Int32(2).Str("main").Str("test"));
  EXPECT_EQ(aliases.reply, (std::vector<std::string>{"main", "test"}));
  ParseWhole(aliases, Ok().Int32(0));  // an empty list
  EXPECT_TRUE(aliases.reply.empty());

  SetPasswordCommand password;
  const ReplyStatus status = ParseWhole(password, Wire().Status(0, "Password set"));
  EXPECT_EQ(status.description, "Password set");  // the server's text, not ours
}

TEST(ReplyDecoding, TreeCommands) {
  CreateProjectsCommand create;
  create.project_paths = {"$/A", "$/B"};
  ParseWhole(create, Ok().Int32(0).Str("Completed").Int32(2).Str("Project $/B already exists"));
  EXPECT_EQ(create.reply,
            (std::vector<EntryResult>{{0, "Completed"}, {2, "Project $/B already exists"}}));
  create.project_paths.clear();  // no entries: nothing after the description
  ParseWhole(create, Ok());
  EXPECT_TRUE(create.reply.empty());

  DeleteItemsCommand remove;
  remove.item_paths = {"$/x"};
  ParseWhole(remove, Ok().Int32(40205).Str("$/x is checked out"));
  EXPECT_EQ(remove.reply, (std::vector<EntryResult>{{40205, "$/x is checked out"}}));

  RecoverItemsCommand recover;
  recover.item_paths = {"$/d"};
  ParseWhole(recover, Ok().Date(45000, 43200000).Int32(0).Str("Completed"));
  ASSERT_EQ(recover.reply.size(), 1u);
  EXPECT_EQ(recover.reply[0].date, kNoon);
  EXPECT_EQ(recover.reply[0].description, "Completed");

  PinFileCommand pin;
  ParseWhole(pin, Ok().Date(45000, 43200000));
  EXPECT_EQ(pin.reply.date, kNoon);

  // 17 gives its date as the two-int32 date-time ...
  UnpinFileCommand unpin;
  ParseWhole(unpin, Ok().Date(45000, 43200000).Int32(6));
  EXPECT_EQ(unpin.reply.date, kNoon);
  EXPECT_EQ(unpin.reply.version, 6);

  // ... 18 as the 8 little-endian bytes of a double (45000.5 = 0x40E5F91000000000).
  BranchItemCommand branch;
  ParseWhole(branch, Ok().Raw(testing::Bytes("00 00 00 00 10 F9 E5 40")).Int32(4));
  EXPECT_EQ(branch.reply.date, kNoon);
  EXPECT_EQ(branch.reply.version, 4);

  LabelItemCommand label;
  ParseWhole(label, Ok().Date(45000, 43200000));
  EXPECT_EQ(label.reply.date, kNoon);

  UndoCheckOutCommand undo;
  undo.file_paths = {"$/f"};
  ParseWhole(undo, Ok().Date(45000, 43200000).Str("bob").Int32(2).Int32(0).Str("Completed"));
  ASSERT_EQ(undo.reply.size(), 1u);
  EXPECT_EQ(undo.reply[0].user_text, "bob");
  EXPECT_EQ(undo.reply[0].file_status, 2);
  EXPECT_EQ(undo.reply[0].result, 0);

  // Commands without reply fields read nothing after the description.
  RenameItemCommand rename;
  ParseWhole(rename, Ok());
  ShareFileCommand share;
  ParseWhole(share, Ok());
}

TEST(ReplyDecoding, PurgeReadsItsEntriesWhateverTheStatus) {
  PurgeItemsCommand purge;
  purge.item_paths = {"$/p", "$/q"};
  const ReplyStatus status = ParseWhole(purge, Wire()
                                                   .Status(40007, "No rights")
                                                   .Int32(40007)
                                                   .Str("No rights")
                                                   .Int32(40007)
                                                   .Str("No rights"));
  EXPECT_EQ(status.status, 40007);
  EXPECT_EQ(purge.reply, (std::vector<EntryResult>{{40007, "No rights"}, {40007, "No rights"}}));
}

TEST(ReplyDecoding, NonzeroStatusEndsTheReplyAfterItsDescription) {
  // The payloads end after the description, so any further read would throw.
  ProjectGeneralInfoCommand info;
  info.reply.comment = "untouched";
  const ReplyStatus status = ParseWhole(info, Wire().Status(40101, "Project $/X does not exist"));
  EXPECT_EQ(status.status, 40101);
  EXPECT_EQ(status.description, "Project $/X does not exist");
  EXPECT_EQ(info.reply.comment, "untouched");

  CreateProjectsCommand create;
  create.project_paths = {"$/A"};
  ParseWhole(create, Wire().Status(40007, "No rights"));
  EXPECT_TRUE(create.reply.empty());
}

TEST(ReplyDecoding, QueryCommands) {
  CheckOutHoldersCommand holders;
  ParseWhole(holders, Ok().Int32(1).Str("bob"));
  EXPECT_EQ(holders.reply, std::vector<std::string>{"bob"});

  ProjectContentsCommand contents;
  ParseWhole(contents, Ok().Int32(2)
                           .Str("B")
                           .Bool(true)
                           .Int32(0)
                           .Int32(3)
                           .Int32(0)
                           .Str("B/x.c")
                           .Bool(false)
                           .Int32(4)
                           .Int32(7)
                           .Int32(2));
  ASSERT_EQ(contents.reply.size(), 2u);
  EXPECT_TRUE(contents.reply[0].is_project);
  EXPECT_EQ(contents.reply[1].item_name, "B/x.c");
  EXPECT_EQ(contents.reply[1].status, 4);
  EXPECT_EQ(contents.reply[1].version, 7);
  EXPECT_EQ(contents.reply[1].file_type, 2);

  ItemLabelsCommand labels;
  ParseWhole(labels, Ok().Int32(1)
                         .Str("v1")
                         .Str("c")
                         .Str("bob")
                         .Date(45000, 43200000)
                         .Int32(3)
                         .Str("$/P")
                         .Int32(9));
  ASSERT_EQ(labels.reply.labels.size(), 1u);
  EXPECT_EQ(labels.reply.labels[0].user_name, "bob");
  EXPECT_EQ(labels.reply.labels[0].date, kNoon);
  EXPECT_EQ(labels.reply.labels[0].labeled_item, "$/P");
  EXPECT_EQ(labels.reply.current_version, 9);

  FileLinksCommand links;
  ParseWhole(links, Ok().Int32(2).Str("$/A/f").Str("$/B/f"));
  EXPECT_EQ(links.reply.size(), 2u);

  FileGeneralInfoCommand file_info;
  ParseWhole(file_info, Ok().Str("Text").Int32(5).Date(45000, 43200000).Int32(1234).Str("fix"));
  EXPECT_EQ(file_info.reply.file_type, "Text");
  EXPECT_EQ(file_info.reply.version, 5);
  EXPECT_EQ(file_info.reply.date, kNoon);
  EXPECT_EQ(file_info.reply.size, 1234);
  EXPECT_EQ(file_info.reply.comment, "fix");

  ProjectGeneralInfoCommand project_info;
  ParseWhole(project_info,
             Ok().Int32(1).Int32(2).Int32(3).Int32(4).Int32(5).Date(45000, 43200000).Str("c"));
  EXPECT_EQ(project_info.reply.sub_projects_not_deleted, 1);
  EXPECT_EQ(project_info.reply.sub_projects_deleted, 2);
  EXPECT_EQ(project_info.reply.files_not_deleted, 3);
  EXPECT_EQ(project_info.reply.files_deleted, 4);
  EXPECT_EQ(project_info.reply.version, 5);
  EXPECT_EQ(project_info.reply.comment, "c");

  // "Is project" of a deleted item is one byte.
  DeletedItemsCommand deleted;
  ParseWhole(deleted, Ok().Int32(2).Str("old").Byte(1).Str("gone.c").Byte(0));
  ASSERT_EQ(deleted.reply.size(), 2u);
  EXPECT_TRUE(deleted.reply[0].is_project);
  EXPECT_FALSE(deleted.reply[1].is_project);

  FileHistoryCommand file_history;
  ParseWhole(file_history, Ok().Bool(true)
                               .Int32(1)
                               .Int32(2)
                               .Str("bob")
                               .Date(45000, 43200000)
                               .Str("Labeled")
                               .Str("v1")
                               .Str("")
                               .Str("lc")
                               .Int32(5)  // any nonzero boolean is true
                               .Bool(true));
  EXPECT_TRUE(file_history.reply.pinned);
  ASSERT_EQ(file_history.reply.entries.size(), 1u);
  EXPECT_EQ(file_history.reply.entries[0].action, "Labeled");
  EXPECT_EQ(file_history.reply.entries[0].label_comment, "lc");
  EXPECT_TRUE(file_history.reply.entries[0].pinned);
  EXPECT_TRUE(file_history.reply.entries[0].inherit_label_from_parent);

  ProjectHistoryCommand project_history;
  ParseWhole(project_history, Ok().Int32(1)
                                  .Str("$/P/x.c")
                                  .Bool(false)
                                  .Int32(3)
                                  .Str("bob")
                                  .Date(45000, 43200000)
                                  .Str("Checked in")
                                  .Str("")
                                  .Str("fix")
                                  .Str(""));
  ASSERT_EQ(project_history.reply.size(), 1u);
  EXPECT_EQ(project_history.reply[0].file_name, "$/P/x.c");
  EXPECT_EQ(project_history.reply[0].comment, "fix");

  UsersCommand users;
  ParseWhole(users, Ok().Int32(1).Str("bob").Str("ReadOnly"));
  ASSERT_EQ(users.reply.size(), 1u);
  EXPECT_EQ(users.reply[0].rights, "ReadOnly");

  FileExistsCommand file_exists;
  ParseWhole(file_exists, Ok().Bool(true));
  EXPECT_TRUE(file_exists.reply);
  ProjectExistsCommand project_exists;
  ParseWhole(project_exists, Ok().Bool(false));
  EXPECT_FALSE(project_exists.reply);

  ItemKindsCommand kinds;
  ParseWhole(kinds, Ok().Int32(3).Byte(1).Byte(4).Byte(0));
  EXPECT_EQ(kinds.reply, (std::vector<uint8_t>{1, 4, 0}));

  FileCountCommand count;
  ParseWhole(count, Ok().Int32(17));
  EXPECT_EQ(count.reply, 17);

  ListWithDatesCommand dated;
  ParseWhole(dated, Ok().Int32(1).Str("x.c").Bool(false).Date(45000, 43200000).Int32(2).Int32(99));
  ASSERT_EQ(dated.reply.size(), 1u);
  EXPECT_EQ(dated.reply[0].date, kNoon);
  EXPECT_EQ(dated.reply[0].size, 99);

  ListSinceCommand since;
  ParseWhole(since, Ok().Int32(1).Str("B").Bool(true).Int32(8));
  ASSERT_EQ(since.reply.size(), 1u);
  EXPECT_EQ(since.reply[0].version, 8);

  ProjectFileListCommand file_list;
  ParseWhole(file_list, Ok().Int32(1)
                            .Str("x.c")
                            .Bool(false)
                            .Date(45000, 43200000)
                            .Str("bob")
                            .Int32(5)
                            .Int32(3)
                            .Int32(100)
                            .Int32(2)
                            .Int32(2));
  ASSERT_EQ(file_list.reply.size(), 1u);
  EXPECT_EQ(file_list.reply[0].user_name, "bob");
  EXPECT_EQ(file_list.reply[0].status, 5);
  EXPECT_EQ(file_list.reply[0].version, 3);
  EXPECT_EQ(file_list.reply[0].size, 100);
  EXPECT_EQ(file_list.reply[0].check_out_count, 2);

  VersionAtLabelCommand at_label;
  ParseWhole(at_label, Ok().Int32(4));
  EXPECT_EQ(at_label.reply, 4);

  LabelDateCommand label_date;
  ParseWhole(label_date, Ok().Date(45000, 43200000));
  EXPECT_EQ(label_date.reply, kNoon);
}

TEST(ReplyDecoding, PerEntryQueries) {
  AddCheckCommand add_check;
  add_check.entries = {{"$/P/a", false}};
  ParseWhole(add_check, Ok().Bool(false).Bool(true).Bool(false).Bool(true));
  ASSERT_EQ(add_check.reply.size(), 1u);
  EXPECT_FALSE(add_check.reply[0].live_item_exists);
  EXPECT_TRUE(add_check.reply[0].deleted_copy_exists);
  EXPECT_FALSE(add_check.reply[0].type_excluded);
  EXPECT_TRUE(add_check.reply[0].project_exists);

  FileStatusCommand status;
  status.entries = {{"$/f", 0, true}};
  ParseWhole(status, Ok().Int32(0)
                         .Int32(3)
                         .Bool(true)
                         .Bool(false)
                         .Int32(4)
                         .Raw(Digest16(0xA0))
                         .Str("Completed")
                         .Str("bob"));
  ASSERT_EQ(status.reply.size(), 1u);
  EXPECT_EQ(status.reply[0].version, 3);
  EXPECT_TRUE(status.reply[0].checked_out_by_you);
  EXPECT_EQ(status.reply[0].file_status, 4);
  EXPECT_EQ(status.reply[0].digest[0], 0xA0);
  EXPECT_EQ(status.reply[0].digest[15], 0xAF);
  EXPECT_EQ(status.reply[0].user_text, "bob");

  CheckOutStateCommand state;
  state.file_paths = {"$/f", "$/g"};
  ParseWhole(
      state,
      Ok().Bool(true).Bool(true).Int32(2).Int32(3).Bool(false).Bool(false).Int32(0).Int32(0));
  ASSERT_EQ(state.reply.size(), 2u);
  EXPECT_EQ(state.reply[0].version_checked_out, 2);
  EXPECT_EQ(state.reply[0].latest_version, 3);
  EXPECT_FALSE(state.reply[1].exists);

  // 70 and 71 share the listing record.
  const Wire listing = Ok().Int32(1)
                           .Str("x.c")
                           .Bool(false)
                           .Int32(2)
                           .Raw(Digest16(1))
                           .Str("bob")
                           .Int32(10)
                           .Bool(true)
                           .Bool(false);
  ProjectAtVersionCommand at_version;
  ParseWhole(at_version, listing);
  ProjectAtDateCommand at_date;
  ParseWhole(at_date, listing);
  for (const auto* items : {&at_version.reply, &at_date.reply}) {
    ASSERT_EQ(items->size(), 1u);
    EXPECT_EQ((*items)[0].digest[15], 16);
    EXPECT_EQ((*items)[0].size, 10);
    EXPECT_TRUE((*items)[0].text_file);
  }
}

TEST(ReplyDecoding, FileCommands) {
  GetFilesCommand get;
  get.entries = {{"$/f", 0}};
  ParseWhole(get, Ok().Str("V12.2.1")
                      .Int32(300)
                      .Bool(true)
                      .Date(45000, 43200000)
                      .Date(44999, 0)
                      .Int32(0)
                      .Str("Completed"));
  ASSERT_EQ(get.reply.size(), 1u);
  EXPECT_EQ(get.reply[0].transfer_name, "V12.2.1");
  EXPECT_EQ(get.reply[0].size, 300);
  EXPECT_TRUE(get.reply[0].text_file);
  EXPECT_EQ(get.reply[0].check_in_time, kNoon);
  EXPECT_EQ(get.reply[0].modification_time, 44999);

  // 61 and 62 have no text flag.
  GetFilesAtVersionCommand at_version;
  at_version.file_paths = {"$/P/a"};
  ParseWhole(at_version, Ok().Str("").Int32(0).Date(0, 0).Date(0, 0).Int32(40102).Str(
                             "File $/P/a does not exist"));
  ASSERT_EQ(at_version.reply.size(), 1u);
  EXPECT_EQ(at_version.reply[0].result, 40102);
  GetFilesAtDateCommand at_date;
  ParseWhole(at_date, Ok());  // no paths, no entries
  EXPECT_TRUE(at_date.reply.empty());

  AddFilesCommand add;
  add.entries = {{0, "$/P/a", 0, false}};
  ParseWhole(add, Ok().Date(45000, 43200000).Int32(0).Str("Completed"));
  ASSERT_EQ(add.reply.size(), 1u);
  EXPECT_EQ(add.reply[0].date, kNoon);

  CheckOutCommand check_out;
  check_out.entries = {{"$/f", 1}};
  ParseWhole(check_out, Ok().Str("V3.2.0")
                            .Date(45000, 43200000)
                            .Str("alice")
                            .Int32(3)
                            .Date(44000, 0)
                            .Date(43000, 0)
                            .Int32(512)
                            .Int32(3)
                            .Int32(0)
                            .Str("Completed"));
  ASSERT_EQ(check_out.reply.size(), 1u);
  const CheckedOutFile& file = check_out.reply[0];
  EXPECT_EQ(file.transfer_name, "V3.2.0");
  EXPECT_EQ(file.check_out_time, kNoon);
  EXPECT_EQ(file.user_text, "alice");
  EXPECT_EQ(file.version, 3);
  EXPECT_EQ(file.check_in_time, 44000);
  EXPECT_EQ(file.modification_time, 43000);
  EXPECT_EQ(file.size, 512);
  EXPECT_EQ(file.file_status, 3);

  CheckInBeginCommand begin;
  ParseWhole(begin, Ok());
}

TEST(ReplyDecoding, CheckInCommitMatchesReplyEntriesByIndexNotPosition) {
  CheckInCommitCommand commit;
  commit.entries.resize(3);
  commit.entries[1].result = kResultFileNotTransferred;
  commit.entries[1].description = "not sent";
  // Entries 0 and 2 were sent; the server answers 2 first.
  ParseWhole(commit, Ok().Int32(2)
                         .Int32(8)
                         .Date(45000, 43200000)
                         .Str("carol")
                         .Int32(0)
                         .Int32(40401)
                         .Str("No file body was uploaded for entry 2")
                         .Int32(0)
                         .Int32(5)
                         .Date(44000, 0)
                         .Str("alice")
                         .Int32(2)
                         .Int32(0)
                         .Str("Completed"));
  EXPECT_EQ(commit.entries[0].result, 0);
  EXPECT_EQ(commit.entries[0].new_version, 5);
  EXPECT_EQ(commit.entries[0].user_text, "alice");
  EXPECT_EQ(commit.entries[0].file_status, 2);
  EXPECT_EQ(commit.entries[1].result, kResultFileNotTransferred);
  EXPECT_EQ(commit.entries[1].description, "not sent");
  EXPECT_EQ(commit.entries[2].result, 40401);
  EXPECT_EQ(commit.entries[2].new_version, 8);
  EXPECT_EQ(commit.entries[2].date, kNoon);
  EXPECT_EQ(commit.entries[2].user_text, "carol");
}

TEST(ReplyDecoding, CheckInCommitRefusesAnIndexItDidNotSendAndChangesNothing) {
  auto entry_reply = [](Wire wire, int32_t index) {
    return wire.Int32(index).Int32(1).Date(0, 0).Str("").Int32(0).Int32(0).Str("Completed");
  };
  const Wire unsent = entry_reply(entry_reply(Ok(), 0), 1);   // 1 was not sent
  const Wire twice = entry_reply(entry_reply(Ok(), 0), 0);    // 0 answered twice, 2 never
  const Wire outside = entry_reply(entry_reply(Ok(), 0), 3);  // past the list
  for (const Wire* reply : {&unsent, &twice, &outside}) {
    CheckInCommitCommand commit;
    commit.entries.resize(3);
    commit.entries[1].result = 40203;
    CInMessage in;
    ASSERT_EQ(in.SetPayload(reply->bytes().data(), reply->bytes().size()), kResultOk);
    EXPECT_THROW(CProtocolClient::ParseReply(commit, in), CCancelableSocketBufferException);
    EXPECT_EQ(commit.entries[0].new_version, 0);
  }
}

TEST(ReplyDecoding, UnparsedRepliesReportCompletedWithoutReading) {
  const Wire frame = Wire().Status(40009, "Malformed request");
  CInMessage in;
  ASSERT_EQ(in.SetPayload(frame.bytes().data(), frame.bytes().size()), kResultOk);
  CheckOutConfirmationCommand confirmation;
  ReplyStatus status = CProtocolClient::ParseReply(confirmation, in);
  EXPECT_EQ(status.status, kResultOk);
  EXPECT_EQ(status.description, "Completed");
  KeepAlivePingCommand ping;
  status = CProtocolClient::ParseReply(ping, in);
  EXPECT_EQ(status.status, kResultOk);
  EXPECT_EQ(in.position(), 0u);
}

TEST(ReplyDecoding, ShortRepliesThrowAndKeepTheEarlierValues) {
  FileGeneralInfoCommand info;
  info.reply.comment = "earlier";
  const Wire short_reply = Ok().Str("Text").Int32(5).Date(45000, 0).Int32(9);  // no comment
  CInMessage in;
  ASSERT_EQ(in.SetPayload(short_reply.bytes().data(), short_reply.bytes().size()), kResultOk);
  EXPECT_THROW(CProtocolClient::ParseReply(info, in), CCancelableSocketBufferException);
  EXPECT_EQ(info.reply.comment, "earlier");
  EXPECT_EQ(info.reply.version, 0);

  // A negative count, and a count larger than the entries that follow.
  for (int32_t count : {-1, 1000000}) {
    DatabaseAliasesCommand aliases;
    const Wire reply = Ok().Int32(count).Str("only");
    ASSERT_EQ(in.SetPayload(reply.bytes().data(), reply.bytes().size()), kResultOk);
    EXPECT_THROW(CProtocolClient::ParseReply(aliases, in), CCancelableSocketBufferException);
    EXPECT_TRUE(aliases.reply.empty());
  }

  // A per-entry list shorter than the request's list.
  CheckOutStateCommand state;
  state.file_paths = {"$/f", "$/g"};
  const Wire one_entry = Ok().Bool(true).Bool(true).Int32(2).Int32(3);
  ASSERT_EQ(in.SetPayload(one_entry.bytes().data(), one_entry.bytes().size()), kResultOk);
  EXPECT_THROW(CProtocolClient::ParseReply(state, in), CCancelableSocketBufferException);
  EXPECT_TRUE(state.reply.empty());
}

}  // namespace
}  // namespace qorv
