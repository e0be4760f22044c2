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
// end. Entries are then read one at a time, so a count larger than the
// payload fails at the first missing entry, before memory grows beyond the
// bytes received.
size_t ReadCount(CInMessage& in);

// A raw double: 8 bytes of an IEEE-754 double in little-endian order.
double ReadRawDouble(CInMessage& in);

Digest ReadDigest(CInMessage& in);

// {int32 result, string description}
EntryResult ReadEntryResult(CInMessage& in);

// A counted list: the count, then each entry read by `read_entry`.
template <class ReadEntry>
auto ReadCountedList(CInMessage& in, ReadEntry read_entry) {
  const size_t count = ReadCount(in);
  std::vector<decltype(read_entry(in))> entries;
  for (size_t i = 0; i < count; ++i) entries.push_back(read_entry(in));
  return entries;
}

// A per-request-entry list: no count, one entry per request entry.
template <class ReadEntry>
auto ReadPerEntryList(CInMessage& in, size_t count, ReadEntry read_entry) {
  std::vector<decltype(read_entry(in))> entries;
  entries.reserve(count);
  for (size_t i = 0; i < count; ++i) entries.push_back(read_entry(in));
  return entries;
}

// A counted list of strings.
std::vector<std::string> ReadStringList(CInMessage& in);

// Encodes a list of strings: the count, then each string.
void WriteStringList(FieldWriter& out, const std::vector<std::string>& texts);

}  // namespace qorv

#endif  // QORV_PROTOCOL_COMMAND_BASE_H_
