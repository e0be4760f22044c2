// Every command's reply decoding, fed the bytes a server would send.
//
// Input: the command code; a byte whose low 4 bits are the number of
// entries the request had (the per-entry replies read one entry for each);
// a 16-bit mask of the request entries that failed before command 81 was
// sent (those are not sent and get no reply entry); then the reply payload,
// which CProtocolClient::ParseReply reads as the received frame.
//
// Properties, beyond not crashing:
// - a reply cut short, or with a count that does not fit, throws the
//   socket-buffer exception and nothing else, and leaves the command's reply
//   as it was (reply fields are stored only once read whole);
// - a failed status leaves the reply fields unread, except for command 32,
//   whose entries follow whatever the status;
// - a per-entry reply has one entry per request entry;
// - command 81 completes only entries that were sent, each once.
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "net/in_message.h"
#include "net/socket_buffer_exception.h"
#include "protocol/protocol_client.h"
#include "qorvsdk/result_codes.h"

namespace qorv::fuzz {
namespace {

constexpr int32_t kUntouchedNumber = 0x5EED;
constexpr char kUntouchedText[] = "untouched";

// Marks the reply so that a reply left as it was can be told from one that
// was written: a list gets one element, a number a value no decoder makes up.
template <class Reply>
void MarkUntouched(Reply& reply) {
  if constexpr (requires { reply.push_back({}); }) {
    reply.assign(1, {});
  } else if constexpr (std::is_arithmetic_v<Reply>) {
    reply = static_cast<Reply>(kUntouchedNumber);
  }
}

template <class Reply>
bool IsUntouched(const Reply& reply) {
  if constexpr (requires { reply.push_back({}); }) {
    return reply.size() == 1;
  } else if constexpr (std::is_arithmetic_v<Reply>) {
    return reply == static_cast<Reply>(kUntouchedNumber);
  } else {
    return true;  // a struct of fields: nothing to tell by
  }
}

// The request entries a per-entry reply answers, set to `count`.
template <class Command>
void SizeRequest(Command& command, size_t count) {
  if constexpr (requires { command.entries; }) command.entries.resize(count);
  if constexpr (requires { command.file_paths; }) command.file_paths.resize(count);
  if constexpr (requires { command.project_paths; }) command.project_paths.resize(count);
  if constexpr (requires { command.item_paths; }) command.item_paths.resize(count);
  if constexpr (requires { command.paths; }) command.paths.resize(count);
}

// Whether the reply is one entry per request entry (no count of its own).
template <class Command>
constexpr bool kPerEntryReply =
    std::is_same_v<Command, GetFilesCommand> || std::is_same_v<Command, GetFilesAtVersionCommand> ||
    std::is_same_v<Command, GetFilesAtDateCommand> || std::is_same_v<Command, AddFilesCommand> ||
    std::is_same_v<Command, CheckOutCommand> ||
    std::is_same_v<Command, CheckOutUnconfirmedCommand> ||
    std::is_same_v<Command, CreateProjectsCommand> || std::is_same_v<Command, DeleteItemsCommand> ||
    std::is_same_v<Command, RecoverItemsCommand> || std::is_same_v<Command, PurgeItemsCommand> ||
    std::is_same_v<Command, UndoCheckOutCommand> || std::is_same_v<Command, AddCheckCommand> ||
    std::is_same_v<Command, FileStatusCommand> || std::is_same_v<Command, CheckOutStateCommand>;

template <class Command>
void ParseAs(size_t entries, CInMessage& in) {
  Command command;
  SizeRequest(command, entries);
  if constexpr (requires { command.reply; }) MarkUntouched(command.reply);
  ReplyStatus status;
  try {
    status = CProtocolClient::ParseReply(command, in);
  } catch (const CCancelableSocketBufferException&) {
    if constexpr (requires { command.reply; }) {
      QORV_FUZZ_CHECK(IsUntouched(command.reply), "a reply cut short leaves the reply fields");
    }
    return;
  }
  QORV_FUZZ_CHECK(in.position() <= in.size(), "the reply is read within its bytes");
  if constexpr (requires { command.reply; }) {
    if (status.status != kResultOk && Command::kReplyShape == ReplyShape::kFieldsOnSuccess) {
      QORV_FUZZ_CHECK(IsUntouched(command.reply), "a failed reply's fields are not read");
    } else if constexpr (kPerEntryReply<Command>) {
      QORV_FUZZ_CHECK(command.reply.size() == entries, "one reply entry per request entry");
    }
  }
}

// Command 81: the entries named in `failed` are not sent.
void ParseCheckInCommit(size_t entries, uint16_t failed, CInMessage& in) {
  CheckInCommitCommand command;
  command.entries.resize(entries);
  for (size_t i = 0; i < entries; ++i) {
    CheckInCommitEntry& entry = command.entries[i];
    entry.result = ((failed >> i) & 1) != 0 ? kResultUnsafeServerName : kResultOk;
    entry.new_version = kUntouchedNumber;
    entry.description = kUntouchedText;
  }
  bool cut_short = false;
  ReplyStatus status;
  try {
    status = CProtocolClient::ParseReply(command, in);
  } catch (const CCancelableSocketBufferException&) {
    cut_short = true;
  }
  const bool completed = !cut_short && status.status == kResultOk;
  for (size_t i = 0; i < entries; ++i) {
    const CheckInCommitEntry& entry = command.entries[i];
    const bool sent = ((failed >> i) & 1) == 0;
    const bool untouched =
        entry.new_version == kUntouchedNumber && entry.description == kUntouchedText;
    if (!sent) {
      QORV_FUZZ_CHECK(untouched && entry.result == kResultUnsafeServerName,
                      "an entry that was not sent keeps its failure");
    } else if (!completed) {
      QORV_FUZZ_CHECK(untouched && entry.result == kResultOk,
                      "a reply not read whole changes no entry");
    }
  }
}

void RunReply(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const uint8_t code = input.Byte();
  const size_t entries = input.Byte() % 16;
  const uint16_t failed = input.Word();
  CInMessage in;
  if (in.SetPayload(input.rest(), input.rest_size()) != kResultOk) return;
  switch (static_cast<CommandCode>(code)) {
    case CommandCode::kPlainLogin:
      return ParseAs<PlainLoginCommand>(entries, in);
    case CommandCode::kCheckOutHolders:
      return ParseAs<CheckOutHoldersCommand>(entries, in);
    case CommandCode::kProjectContents:
      return ParseAs<ProjectContentsCommand>(entries, in);
    case CommandCode::kCreateProjects:
      return ParseAs<CreateProjectsCommand>(entries, in);
    case CommandCode::kDeleteItems:
      return ParseAs<DeleteItemsCommand>(entries, in);
    case CommandCode::kRenameItem:
      return ParseAs<RenameItemCommand>(entries, in);
    case CommandCode::kRecoverItems:
      return ParseAs<RecoverItemsCommand>(entries, in);
    case CommandCode::kShareFile:
      return ParseAs<ShareFileCommand>(entries, in);
    case CommandCode::kShareProject:
      return ParseAs<ShareProjectCommand>(entries, in);
    case CommandCode::kPinFile:
      return ParseAs<PinFileCommand>(entries, in);
    case CommandCode::kUnpinFile:
      return ParseAs<UnpinFileCommand>(entries, in);
    case CommandCode::kBranchItem:
      return ParseAs<BranchItemCommand>(entries, in);
    case CommandCode::kMoveItem:
      return ParseAs<MoveItemCommand>(entries, in);
    case CommandCode::kSetPassword:
      return ParseAs<SetPasswordCommand>(entries, in);
    case CommandCode::kItemLabels:
      return ParseAs<ItemLabelsCommand>(entries, in);
    case CommandCode::kFileLinks:
      return ParseAs<FileLinksCommand>(entries, in);
    case CommandCode::kFileGeneralInfo:
      return ParseAs<FileGeneralInfoCommand>(entries, in);
    case CommandCode::kProjectGeneralInfo:
      return ParseAs<ProjectGeneralInfoCommand>(entries, in);
    case CommandCode::kDeletedItems:
      return ParseAs<DeletedItemsCommand>(entries, in);
    case CommandCode::kPurgeItems:
      return ParseAs<PurgeItemsCommand>(entries, in);
    case CommandCode::kLabelItem:
      return ParseAs<LabelItemCommand>(entries, in);
    case CommandCode::kFileHistory:
      return ParseAs<FileHistoryCommand>(entries, in);
    case CommandCode::kProjectHistory:
      return ParseAs<ProjectHistoryCommand>(entries, in);
    case CommandCode::kUsers:
      return ParseAs<UsersCommand>(entries, in);
    case CommandCode::kGetFiles:
      return ParseAs<GetFilesCommand>(entries, in);
    case CommandCode::kAddFiles:
      return ParseAs<AddFilesCommand>(entries, in);
    case CommandCode::kCheckOutUnconfirmed:
      return ParseAs<CheckOutUnconfirmedCommand>(entries, in);
    case CommandCode::kUndoCheckOut:
      return ParseAs<UndoCheckOutCommand>(entries, in);
    case CommandCode::kDatabaseAliases:
      return ParseAs<DatabaseAliasesCommand>(entries, in);
    case CommandCode::kSetKeepLatestOnly:
      return ParseAs<SetKeepLatestOnlyCommand>(entries, in);
    case CommandCode::kKeyedLogin:
      return ParseAs<KeyedLoginCommand>(entries, in);
    case CommandCode::kFileExists:
      return ParseAs<FileExistsCommand>(entries, in);
    case CommandCode::kProjectExists:
      return ParseAs<ProjectExistsCommand>(entries, in);
    case CommandCode::kItemKinds:
      return ParseAs<ItemKindsCommand>(entries, in);
    case CommandCode::kFileCount:
      return ParseAs<FileCountCommand>(entries, in);
    case CommandCode::kListWithDates:
      return ParseAs<ListWithDatesCommand>(entries, in);
    case CommandCode::kListSince:
      return ParseAs<ListSinceCommand>(entries, in);
    case CommandCode::kProjectFileList:
      return ParseAs<ProjectFileListCommand>(entries, in);
    case CommandCode::kVersionAtLabel:
      return ParseAs<VersionAtLabelCommand>(entries, in);
    case CommandCode::kGetFilesAtVersion:
      return ParseAs<GetFilesAtVersionCommand>(entries, in);
    case CommandCode::kGetFilesAtDate:
      return ParseAs<GetFilesAtDateCommand>(entries, in);
    case CommandCode::kAddCheck:
      return ParseAs<AddCheckCommand>(entries, in);
    case CommandCode::kFileStatus:
      return ParseAs<FileStatusCommand>(entries, in);
    case CommandCode::kCheckOutState:
      return ParseAs<CheckOutStateCommand>(entries, in);
    case CommandCode::kConfirmationWithoutReply:
      return ParseAs<ConfirmationWithoutReplyCommand>(entries, in);
    case CommandCode::kProjectAtVersion:
      return ParseAs<ProjectAtVersionCommand>(entries, in);
    case CommandCode::kProjectAtDate:
      return ParseAs<ProjectAtDateCommand>(entries, in);
    case CommandCode::kCheckOut:
      return ParseAs<CheckOutCommand>(entries, in);
    case CommandCode::kCheckOutConfirmation:
      return ParseAs<CheckOutConfirmationCommand>(entries, in);
    case CommandCode::kCheckInBegin:
      return ParseAs<CheckInBeginCommand>(entries, in);
    case CommandCode::kCheckInCommit:
      return ParseCheckInCommit(entries, failed, in);
    case CommandCode::kKeepAlivePing:
      return ParseAs<KeepAlivePingCommand>(entries, in);
    case CommandCode::kLabelDate:
      return ParseAs<LabelDateCommand>(entries, in);
    default:
      return;
  }
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::RunReply(data, size);
  return 0;
}
