// Writes the seeds of the request and reply targets from the real encoders:
// each command's request as the client's CProtocolClient::BuildRequest
// makes it, answered by the reference server over a fresh fuzz store; the
// request goes to corpus/request/, the reply (with the command code and
// entry count the reply target reads first) to corpus/reply/. Commands the
// server does not carry out get replies built here field by field.
//
//   fuzz_seed_corpus FUZZ_CORPUS_FOLDER
//
// Run by hand when a command's fields change (docs/fuzzing.md); the seeds
// are committed.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "codec/byte_order.h"
#include "fuzz/fuzz_store.h"
#include "net/in_message.h"
#include "net/out_message.h"
#include "protocol/protocol_client.h"
#include "server/command_context.h"
#include "server/request_dispatcher.h"

namespace qorv::fuzz {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// The connection byte of the request target: bits 0-2 the session, bit 3
// the Blowfish channel.
constexpr uint8_t kNoSession = 0;
constexpr uint8_t kAliceSession = 1;
constexpr uint8_t kReaderSession = 3;
constexpr uint8_t kBlowfishChannel = 8;
// The fault byte: 2 makes "create-project:recorded" fail.
constexpr uint8_t kNoFault = 0;
constexpr uint8_t kCreateProjectFault = 2;

void Write(const fs::path& file, const Bytes& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) std::fprintf(stderr, "cannot write %s\n", file.c_str());
}

Bytes Payload(const COutMessage& out) { return Bytes(out.data(), out.data() + out.size()); }

void AppendFrame(const Bytes& payload, Bytes* stream) {
  uint8_t prefix[4];
  StoreBigEndian32(prefix, static_cast<uint32_t>(payload.size()));
  stream->insert(stream->end(), prefix, prefix + 4);
  stream->insert(stream->end(), payload.begin(), payload.end());
}

template <class Command>
Bytes RequestOf(const Command& command) {
  COutMessage out;
  CProtocolClient::BuildRequest(command, out);
  return Payload(out);
}

class SeedWriter {
 public:
  explicit SeedWriter(const fs::path& corpus) : corpus_(corpus) {
    fs::create_directories(corpus_ / "request");
    fs::create_directories(corpus_ / "reply");
  }

  // A request seed: the connection and fault bytes, then the frames.
  void Requests(const std::string& name, uint8_t connection, uint8_t fault,
                const std::vector<Bytes>& requests) {
    Bytes seed = {connection, fault};
    for (const Bytes& request : requests) AppendFrame(request, &seed);
    Write(corpus_ / "request" / ("seed_" + name), seed);
  }

  // A reply seed: code, entry count, the mask of entries not sent, the
  // reply payload.
  void Reply(const std::string& name, CommandCode code, size_t entries, uint16_t not_sent,
             const Bytes& reply) {
    Bytes seed = {static_cast<uint8_t>(code), static_cast<uint8_t>(entries),
                  static_cast<uint8_t>(not_sent >> 8), static_cast<uint8_t>(not_sent)};
    seed.insert(seed.end(), reply.begin(), reply.end());
    Write(corpus_ / "reply" / ("seed_" + name), seed);
  }

  // Both seeds of one command, the reply as the server gives it to alice.
  template <class Command>
  void OneCommand(const std::string& name, const Command& command, size_t entries) {
    const Bytes request = RequestOf(command);
    Requests(name, kAliceSession, kNoFault, {request});
    FuzzStore store;
    server::ConnectionState connection;
    connection.session = store.LogIn(kAlice);
    server::CommandContext context{store.data(), store.sessions(), connection};
    CInMessage in;
    in.SetPayload(request.data(), request.size());
    COutMessage reply;
    server::AnswerRequest(context, in, server::FaultHooks{}, reply);
    Reply(name, Command::kCode, entries, 0, Payload(reply));
  }

 private:
  fs::path corpus_;
};

// A reply of status 0 "Completed" whose fields `fill` appends.
template <class Fill>
Bytes CompletedReply(Fill fill) {
  COutMessage out;
  out.AppendInt32(0);
  out.AppendString("Completed");
  fill(out);
  return Payload(out);
}

void WriteCommandSeeds(SeedWriter& seeds) {
  PlainLoginCommand login;
  login.database = "Main";
  login.user_name = kAlice.name;
  login.password = kAlice.password;
  seeds.OneCommand("plain_login", login, 0);
  CheckOutHoldersCommand holders;
  holders.path = "$/P/Sub/c.txt";
  seeds.OneCommand("check_out_holders", holders, 0);
  ProjectContentsCommand contents;
  contents.project_path = "$/P";
  contents.recursive = true;
  seeds.OneCommand("project_contents", contents, 0);
  CreateProjectsCommand create;
  create.comment = "new";
  create.project_paths = {"$/N", "$/P", "$/N/M", "bad"};
  seeds.OneCommand("create_projects", create, 4);
  DeleteItemsCommand remove;
  remove.item_paths = {"$/P/a.txt", "$/none"};
  seeds.OneCommand("delete_items", remove, 2);
  RenameItemCommand rename;
  rename.item_path = "$/P/a.txt";
  rename.new_name = "renamed.txt";
  seeds.OneCommand("rename_item", rename, 0);
  RecoverItemsCommand recover;
  recover.item_paths = {"$/P/gone.txt", "$/Old", "$/P/a.txt"};
  seeds.OneCommand("recover_items", recover, 3);
  ShareFileCommand share_file;
  share_file.target_project = "$/P/Sub";
  share_file.file_path = "$/P/a.txt";
  share_file.comment = "shared";
  seeds.OneCommand("share_file", share_file, 0);
  ShareProjectCommand share_project;
  share_project.target_project = "$/Q";
  share_project.project_path = "$/P/Sub";
  share_project.recursive = true;
  seeds.OneCommand("share_project", share_project, 0);
  PinFileCommand pin;
  pin.file_path = "$/P/a.txt";
  pin.version = 1;
  seeds.OneCommand("pin_file", pin, 0);
  UnpinFileCommand unpin;
  unpin.file_path = "$/Q/b.bin";
  seeds.OneCommand("unpin_file", unpin, 0);
  BranchItemCommand branch;
  branch.item_path = "$/Q/b.bin";
  branch.comment = "branched";
  seeds.OneCommand("branch_item", branch, 0);
  MoveItemCommand move;
  move.item_path = "$/P/Sub";
  move.target_project = "$/Q";
  seeds.OneCommand("move_item", move, 0);
  MoveItemCommand move_under_itself;
  move_under_itself.item_path = "$/P";
  move_under_itself.target_project = "$/P/Sub";
  seeds.OneCommand("move_item_under_itself", move_under_itself, 0);
  SetPasswordCommand password;
  password.new_password = "changed";
  seeds.OneCommand("set_password", password, 0);
  ItemLabelsCommand labels;
  labels.path = "$/P/a.txt";
  seeds.OneCommand("item_labels", labels, 0);
  FileLinksCommand links;
  links.file_path = "$/P/b.bin";
  seeds.OneCommand("file_links", links, 0);
  FileGeneralInfoCommand file_info;
  file_info.file_path = "$/P/a.txt";
  seeds.OneCommand("file_general_info", file_info, 0);
  ProjectGeneralInfoCommand project_info;
  project_info.project_path = "$/P";
  seeds.OneCommand("project_general_info", project_info, 0);
  DeletedItemsCommand deleted;
  deleted.project_path = "$/";
  seeds.OneCommand("deleted_items", deleted, 0);
  PurgeItemsCommand purge;
  purge.item_paths = {"$/P/gone.txt", "$/P/a.txt"};
  seeds.OneCommand("purge_items", purge, 2);
  LabelItemCommand label;
  label.item_path = "$/P/a.txt";
  label.label_name = "L2";
  label.comment = "second";
  seeds.OneCommand("label_item", label, 0);
  FileHistoryCommand file_history;
  file_history.file_path = "$/P/a.txt";
  seeds.OneCommand("file_history", file_history, 0);
  ProjectHistoryCommand project_history;
  project_history.project_path = "$/P";
  project_history.include_file_history = true;
  project_history.recursive = true;
  seeds.OneCommand("project_history", project_history, 0);
  seeds.OneCommand("users", UsersCommand{}, 0);
  UndoCheckOutCommand undo;
  undo.file_paths = {"$/P/b.bin", "$/P/Sub/c.txt"};
  seeds.OneCommand("undo_check_out", undo, 2);
  seeds.OneCommand("database_aliases", DatabaseAliasesCommand{}, 0);
  SetKeepLatestOnlyCommand latest;
  latest.file_path = "$/P/a.txt";
  latest.latest_only = true;
  seeds.OneCommand("set_keep_latest_only", latest, 0);
  FileExistsCommand file_exists;
  file_exists.path = "$/P/a.txt";
  seeds.OneCommand("file_exists", file_exists, 0);
  ProjectExistsCommand project_exists;
  project_exists.project_path = "$/Q";
  seeds.OneCommand("project_exists", project_exists, 0);
  ItemKindsCommand kinds;
  kinds.paths = {"$/P", "$/P/a.txt", "$/Old", "$/P/gone.txt", "$/none"};
  seeds.OneCommand("item_kinds", kinds, 5);
  FileCountCommand count;
  count.project_path = "$/P";
  seeds.OneCommand("file_count", count, 0);
  ListWithDatesCommand dated;
  dated.project_path = "$/P";
  seeds.OneCommand("list_with_dates", dated, 0);
  ListSinceCommand since;
  since.project_path = "$/";
  since.recursive = true;
  since.since = 45352.0;
  seeds.OneCommand("list_since", since, 0);
  ProjectFileListCommand tree;
  tree.project_path = "$/";
  tree.sub_project_depth = -1;
  seeds.OneCommand("project_file_list", tree, 0);
  VersionAtLabelCommand at_label;
  at_label.item_path = "$/P/a.txt";
  at_label.label_name = "Release 1";
  seeds.OneCommand("version_at_label", at_label, 0);
  AddCheckCommand add_check;
  add_check.entries = {{"$/P/a.txt", false}, {"$/P/new.txt", false}, {"$/Old", true}};
  seeds.OneCommand("add_check", add_check, 3);
  FileStatusCommand status;
  status.entries = {{"$/P/a.txt", 0, true}, {"$/P/a.txt", 1, true}, {"$/Q/q.txt", 0, false}};
  seeds.OneCommand("file_status", status, 3);
  CheckOutStateCommand state;
  state.file_paths = {"$/P/b.bin", "$/P/Sub/c.txt", "$/none"};
  seeds.OneCommand("check_out_state", state, 3);
  ProjectAtVersionCommand at_version;
  at_version.project_path = "$/P";
  at_version.version = 2;
  at_version.recursive = true;
  seeds.OneCommand("project_at_version", at_version, 0);
  ProjectAtDateCommand at_date;
  at_date.project_path = "$/P";
  at_date.date = 45352.01;
  at_date.recursive = true;
  seeds.OneCommand("project_at_date", at_date, 0);
  seeds.OneCommand("keep_alive_ping", KeepAlivePingCommand{}, 0);
  LabelDateCommand label_date;
  label_date.project_path = "$/P";
  label_date.label_name = "Release 1";
  seeds.OneCommand("label_date", label_date, 0);
}

// Sequences on one connection, and commands the server does not carry out.
void WriteSequenceSeeds(SeedWriter& seeds) {
  PlainLoginCommand login;
  login.database = "Main";
  login.user_name = kBob.name;
  login.password = kBob.password;
  CreateProjectsCommand create;
  create.project_paths = {"$/Fresh"};
  ProjectExistsCommand exists;
  exists.project_path = "$/Fresh";
  seeds.Requests("login_create_query", kNoSession, kNoFault,
                 {RequestOf(login), RequestOf(create), RequestOf(exists)});
  seeds.Requests("create_with_failing_step", kAliceSession, kCreateProjectFault,
                 {RequestOf(create), RequestOf(exists)});
  seeds.Requests("reader_refused", kReaderSession, kNoFault, {RequestOf(create)});

  KeyedLoginCommand keyed;
  keyed.database = "Main";
  keyed.user_name = kKeyed.name;
  keyed.server_name = "localhost";
  keyed.password = kKeyed.password;
  const server::UserKey key = KeyedUserKey();
  std::copy(key.begin(), key.end(), keyed.user_key.begin());
  seeds.Requests("keyed_login", kNoSession | kBlowfishChannel, kNoFault,
                 {RequestOf(keyed), RequestOf(exists)});
  seeds.Requests("keyed_login_on_plain_channel", kNoSession, kNoFault, {RequestOf(keyed)});

  // A request cut short, an unknown code, an empty frame.
  Bytes cut = RequestOf(create);
  cut.resize(cut.size() - 3);
  seeds.Requests("malformed", kAliceSession, kNoFault, {cut, Bytes{0xFE}, Bytes{}});

  // Replies to the commands that move file bodies.
  seeds.Reply("get_files", CommandCode::kGetFiles, 2, 0, CompletedReply([](COutMessage& out) {
                for (int i = 0; i < 2; ++i) {
                  out.AppendString(i == 0 ? "T0001" : "");
                  out.AppendInt32(12);
                  out.AppendBool(true);
                  out.AppendDate(45352.5);
                  out.AppendDate(45352.25);
                  out.AppendInt32(i == 0 ? 0 : 40102);
                  out.AppendString(i == 0 ? "Completed" : "File not found");
                }
              }));
  seeds.Reply("get_files_at_version", CommandCode::kGetFilesAtVersion, 1, 0,
              CompletedReply([](COutMessage& out) {
                out.AppendString("T0002");
                out.AppendInt32(3);
                out.AppendDate(45352.5);
                out.AppendDate(45352.25);
                out.AppendInt32(0);
                out.AppendString("Completed");
              }));
  seeds.Reply("check_out", CommandCode::kCheckOut, 1, 0, CompletedReply([](COutMessage& out) {
                out.AppendString("T0003");
                out.AppendDate(45352.75);
                out.AppendString("alice");
                out.AppendInt32(2);
                out.AppendDate(45352.5);
                out.AppendDate(45352.25);
                out.AppendInt32(14);
                out.AppendInt32(1);
                out.AppendInt32(0);
                out.AppendString("Completed");
              }));
  seeds.Reply("add_files", CommandCode::kAddFiles, 1, 0, CompletedReply([](COutMessage& out) {
                out.AppendDate(45352.5);
                out.AppendInt32(0);
                out.AppendString("Completed");
              }));
  // Entries 0 and 2 sent, entry 1 failed before: answered out of order.
  seeds.Reply("check_in_commit", CommandCode::kCheckInCommit, 3, 0x0002,
              CompletedReply([](COutMessage& out) {
                for (int32_t index : {2, 0}) {
                  out.AppendInt32(index);
                  out.AppendInt32(3);
                  out.AppendDate(45352.5);
                  out.AppendString("alice");
                  out.AppendInt32(0);
                  out.AppendInt32(0);
                  out.AppendString("Completed");
                }
              }));
  seeds.Reply("check_in_commit_answered_twice", CommandCode::kCheckInCommit, 2, 0,
              CompletedReply([](COutMessage& out) {
                for (int i = 0; i < 2; ++i) {
                  out.AppendInt32(1);
                  out.AppendInt32(3);
                  out.AppendDate(45352.5);
                  out.AppendString("");
                  out.AppendInt32(0);
                  out.AppendInt32(0);
                  out.AppendString("");
                }
              }));
  seeds.Reply("purge_whole_failure", CommandCode::kPurgeItems, 1, 0, [] {
    COutMessage out;
    out.AppendInt32(40007);
    out.AppendString("No rights");
    out.AppendInt32(40007);
    out.AppendString("No rights");
    return Payload(out);
  }());
  seeds.Reply("list_negative_count", CommandCode::kDeletedItems, 0, 0,
              CompletedReply([](COutMessage& out) { out.AppendInt32(-1); }));
}

}  // namespace
}  // namespace qorv::fuzz

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FUZZ_CORPUS_FOLDER\n", argv[0]);
    return 2;
  }
  qorv::fuzz::SeedWriter seeds(argv[1]);
  qorv::fuzz::WriteCommandSeeds(seeds);
  qorv::fuzz::WriteSequenceSeeds(seeds);
  return 0;
}
