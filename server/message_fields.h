// Reading a request's fields and writing a reply's, in the server's terms:
// dates as whole milliseconds (OleMs) without floating point, digests, the
// raw double of command 18, and list counts checked against the bytes that
// actually arrived.
#ifndef QORV_SERVER_MESSAGE_FIELDS_H_
#define QORV_SERVER_MESSAGE_FIELDS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/in_message.h"
#include "net/out_message.h"
#include "server/content_digest.h"
#include "server/ole_time.h"

namespace qorv::server {

// The smallest encoded sizes of fields, for Count().
inline constexpr size_t kInt32Size = 4;
inline constexpr size_t kStringMinSize = 4;

// Reads the fields of one request. A request that ends before a field, or a
// string or list whose count is negative or cannot fit in the bytes left,
// throws CCancelableSocketBufferException before anything is allocated; the
// dispatcher answers it with 40009 "Malformed request".
class RequestReader {
 public:
  explicit RequestReader(CInMessage& message) : message_(message) {}

  uint8_t Byte() { return message_.ReadByte(); }
  int32_t Int32() { return message_.ReadInt32(); }
  bool Bool() { return message_.ReadBool(); }
  std::string String() { return message_.ReadString(); }
  void Bytes(void* destination, size_t length) { message_.ReadBytes(destination, length); }
  // Days x 86400000 + milliseconds.
  OleMs Date();
  // A list count whose entries take at least `min_entry_size` bytes each.
  size_t Count(size_t min_entry_size);
  // A counted list of strings. Entries are stored as they are read: nothing
  // is reserved from the announced count.
  std::vector<std::string> StringList();

  size_t remaining() const { return message_.remaining(); }

 private:
  CInMessage& message_;
};

// The fields of a reply after its status and description. An append that
// fails for want of memory marks the whole reply as failed instead of
// leaving a hole in it.
class ReplyFields {
 public:
  void Byte(uint8_t value) { Check(message_.AppendByte(value)); }
  void Int32(int32_t value) { Check(message_.AppendInt32(value)); }
  // Sizes and counts the store keeps as 64-bit, clamped to the int32 range.
  void Int32(int64_t value);
  void Bool(bool value) { Check(message_.AppendBool(value)); }
  void String(std::string_view text) { Check(message_.AppendString(text)); }
  // Two int32: whole days and the milliseconds of the day, both truncated
  // toward zero (so both carry a negative date's sign).
  void Date(OleMs time);
  // 8 bytes: the OLE date as an IEEE-754 double, little-endian (command 18).
  void RawDouble(OleMs time);
  void Digest(const Md5Digest& digest) {
    Check(message_.AppendBytes(digest.data(), digest.size()));
  }
  void Clear() {
    message_.Reset();
    failed_ = false;
  }

  bool failed() const { return failed_; }
  const uint8_t* data() const { return message_.data(); }
  size_t size() const { return message_.size(); }

 private:
  void Check(int32_t code) { failed_ = failed_ || code != 0; }

  COutMessage message_;
  bool failed_ = false;
};

}  // namespace qorv::server

#endif  // QORV_SERVER_MESSAGE_FIELDS_H_
