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

#include "fuzz/command_catalogue.h"
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
  if (static_cast<CommandCode>(code) == CommandCode::kCheckInCommit) {
    ParseCheckInCommit(entries, failed, in);
    return;
  }
  ForCommand(code, [&]<class Command>() { ParseAs<Command>(entries, in); });
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::RunReply(data, size);
  return 0;
}
