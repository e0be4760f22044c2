// What every command of the request protocol shares: the reply status, the
// shape of the reply, a writer that remembers the first failed append, and
// the reading of counted lists.
//
// A command is a struct holding its request fields and, after the exchange,
// its reply fields. It names its code, encodes its request fields (those
// after the code byte) and decodes its reply fields (those after status and
// description). CProtocolClient adds the code byte, moves the frames and
// reads the status. Encoding and decoding work on message buffers only, so
// they are tested on plain bytes.
#ifndef QORV_PROTOCOL_COMMAND_BASE_H_
#define QORV_PROTOCOL_COMMAND_BASE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "net/in_message.h"
#include "net/out_message.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

// The pair that opens every reply: the command's result and its text.
struct ReplyStatus {
  int32_t status = kResultOk;
  std::string description;
};

// What follows a request on the wire.
enum class ReplyShape {
  kFieldsOnSuccess,  // status, description, then the fields when the status is 0
  kFieldsAlways,     // status, description, then the fields whatever the status
  kFrameNotParsed,   // one reply frame, received and not parsed
  kNoReply,          // nothing is received
};

// Defaults of a command; a command struct derives from it and overrides
// what differs.
struct CommandBase {
  static constexpr bool kSendsCodeByte = true;
  static constexpr ReplyShape kReplyShape = ReplyShape::kFieldsOnSuccess;
};

// The MD5 digest of a file's content on the server: 16 raw bytes.
using Digest = std::array<uint8_t, 16>;

// {int32 result, string description} of one entry of a list command.
struct EntryResult {
  int32_t result = kResultOk;
  std::string description;
  bool operator==(const EntryResult&) const = default;
};

// Appends fields to an outgoing message and keeps the first failure (2, out
// of memory); after a failure nothing more is appended, since the message
// will not be sent.
class FieldWriter {
 public:
  explicit FieldWriter(COutMessage& out) : out_(out) {}

  FieldWriter& Byte(int32_t value) { return ok() ? Keep(out_.AppendByte(value)) : *this; }
  FieldWriter& Int32(int32_t value) { return ok() ? Keep(out_.AppendInt32(value)) : *this; }
  FieldWriter& Bool(bool value) { return ok() ? Keep(out_.AppendBool(value)) : *this; }
  FieldWriter& Date(double value) { return ok() ? Keep(out_.AppendDate(value)) : *this; }
  FieldWriter& String(std::string_view text) {
    return ok() ? Keep(out_.AppendString(text)) : *this;
  }
  FieldWriter& Bytes(const void* data, size_t length) {
    return ok() ? Keep(out_.AppendBytes(data, length)) : *this;
  }
  // A list's element count. A list longer than an int32 can count cannot be
  // sent.
  FieldWriter& Count(size_t count);
  // Records a failure found by the command itself.
  FieldWriter& Fail(int32_t code) { return Keep(code); }

  bool ok() const { return result_ == kResultOk; }
  // 0, or the first failure.
  int32_t result() const { return result_; }

 private:
  FieldWriter& Keep(int32_t code) {
    if (result_ == kResultOk) result_ = code;
    return *this;
  }

  COutMessage& out_;
  int32_t result_ = kResultOk;
};

// Reads a counted list's element count. A negative count does not fit the
// reply: it throws CCancelableSocketBufferException, like any read past the
// end.
size_t ReadCount(CInMessage& in);

// Refuses (CCancelableSocketBufferException) a list of `count` entries of at
// least `minimum_entry_size` bytes each when the bytes left in the reply
// cannot hold them. Called before the list's memory is reserved, so a reply
// never makes the client hold more than its entries' size times the number
// of entries the frame can really carry.
void CheckEntriesFit(const CInMessage& in, size_t count, size_t minimum_entry_size);

// The fewest bytes one entry takes on the wire: what `read_entry` consumes
// from a run of zero bytes, where every string is empty and every number 0.
// Derived from the reader itself so that it cannot drift from the fields.
size_t MinimumEntrySizeOf(const std::function<void(CInMessage&)>& read_entry);

template <class ReadEntry>
size_t MinimumEntrySize(ReadEntry& read_entry) {
  return MinimumEntrySizeOf([&read_entry](CInMessage& probe) { (void)read_entry(probe); });
}

// A raw double: 8 bytes of an IEEE-754 double in little-endian order.
double ReadRawDouble(CInMessage& in);

Digest ReadDigest(CInMessage& in);

// {int32 result, string description}
EntryResult ReadEntryResult(CInMessage& in);

// A per-request-entry list: no count, one entry per request entry. A reply
// too short for `count` entries is refused before memory is reserved.
template <class ReadEntry>
auto ReadPerEntryList(CInMessage& in, size_t count, ReadEntry read_entry) {
  CheckEntriesFit(in, count, MinimumEntrySize(read_entry));
  std::vector<decltype(read_entry(in))> entries;
  entries.reserve(count);
  for (size_t i = 0; i < count; ++i) entries.push_back(read_entry(in));
  return entries;
}

// A counted list: the count, then each entry read by `read_entry`. The count
// is checked against the bytes left before anything is reserved, and the
// list is reserved exactly, so its memory is sizeof(entry) per entry the
// frame carries (docs/protocol.md, "Reply bounds").
template <class ReadEntry>
auto ReadCountedList(CInMessage& in, ReadEntry read_entry) {
  const size_t count = ReadCount(in);
  return ReadPerEntryList(in, count, read_entry);
}

// A counted list of strings.
std::vector<std::string> ReadStringList(CInMessage& in);

// Encodes a list of strings: the count, then each string.
void WriteStringList(FieldWriter& out, const std::vector<std::string>& texts);

}  // namespace qorv

#endif  // QORV_PROTOCOL_COMMAND_BASE_H_
