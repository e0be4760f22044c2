#include "server/message_fields.h"

#include <cstring>
#include <limits>

#include "codec/byte_order.h"
#include "net/socket_buffer_exception.h"

namespace qorv::server {

OleMs RequestReader::Date() {
  const int32_t days = message_.ReadInt32();
  const int32_t milliseconds = message_.ReadInt32();
  return FromWireDate({days, milliseconds});
}

size_t RequestReader::Count(size_t min_entry_size) {
  const int32_t count = message_.ReadInt32();
  if (count < 0) throw CCancelableSocketBufferException();
  const size_t entries = static_cast<size_t>(count);
  if (min_entry_size > 0 && entries > message_.remaining() / min_entry_size) {
    throw CCancelableSocketBufferException();
  }
  return entries;
}

std::vector<std::string> RequestReader::StringList() {
  const size_t count = Count(kStringMinSize);
  std::vector<std::string> texts;
  for (size_t i = 0; i < count; ++i) texts.push_back(String());
  return texts;
}

void ReplyFields::Int32(int64_t value) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  Int32(static_cast<int32_t>(value > kMax ? kMax : (value < kMin ? kMin : value)));
}

void ReplyFields::Date(OleMs time) {
  const WireDate date = ToWireDate(time);
  Int32(date.days);
  Int32(date.ms);
}

void ReplyFields::RawDouble(OleMs time) {
  const double value = ToOleDouble(time);
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof(bits));
  uint8_t bytes[8];
  StoreLittleEndian32(bytes, static_cast<uint32_t>(bits));
  StoreLittleEndian32(bytes + 4, static_cast<uint32_t>(bits >> 32));
  Check(message_.AppendBytes(bytes, sizeof(bytes)));
}

}  // namespace qorv::server
