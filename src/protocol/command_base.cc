#include "protocol/command_base.h"

#include <bit>
#include <cstring>
#include <limits>
#include <new>

#include "net/socket_buffer_exception.h"

namespace qorv {

FieldWriter& FieldWriter::Count(size_t count) {
  if (count > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return Keep(kResultOutOfMemory);
  }
  return Int32(static_cast<int32_t>(count));
}

size_t ReadCount(CInMessage& in) {
  const int32_t count = in.ReadInt32();
  if (count < 0) throw CCancelableSocketBufferException();
  return static_cast<size_t>(count);
}

void CheckEntriesFit(const CInMessage& in, size_t count, size_t minimum_entry_size) {
  if (minimum_entry_size == 0) minimum_entry_size = 1;
  if (count > in.remaining() / minimum_entry_size) throw CCancelableSocketBufferException();
}

size_t MinimumEntrySizeOf(const std::function<void(CInMessage&)>& read_entry) {
  // Larger than any entry of the command list read from zeros.
  static constexpr size_t kProbeSize = 256;
  static constexpr uint8_t kZeros[kProbeSize] = {};
  CInMessage probe;
  if (probe.SetPayload(kZeros, kProbeSize) != kResultOk) throw std::bad_alloc();
  read_entry(probe);
  return probe.position();
}

double ReadRawDouble(CInMessage& in) {
  uint8_t bytes[8];
  in.ReadBytes(bytes, sizeof(bytes));
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | bytes[i];
  return std::bit_cast<double>(bits);
}

Digest ReadDigest(CInMessage& in) {
  Digest digest;
  in.ReadBytes(digest.data(), digest.size());
  return digest;
}

EntryResult ReadEntryResult(CInMessage& in) {
  EntryResult entry;
  entry.result = in.ReadInt32();
  entry.description = in.ReadString();
  return entry;
}

std::vector<std::string> ReadStringList(CInMessage& in) {
  return ReadCountedList(in, [](CInMessage& message) { return message.ReadString(); });
}

void WriteStringList(FieldWriter& out, const std::vector<std::string>& texts) {
  out.Count(texts.size());
  for (const std::string& text : texts) out.String(text);
}

}  // namespace qorv
