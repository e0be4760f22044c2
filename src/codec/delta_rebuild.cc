#include "codec/delta_rebuild.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "codec/background_md4.h"
#include "codec/byte_order.h"
#include "codec/md4.h"

namespace qorv {
namespace {

DeltaStatus BadFormat() { return {kDeltaBadDeltaFile, kTextDeltaBadFormat}; }

// The delta file read in 64 KiB pieces.
class DeltaReader {
 public:
  explicit DeltaReader(const DeltaRead& read) : read_(read) {}
  bool Allocate() {
    buffer_.reset(new (std::nothrow) uint8_t[kDeltaBufferSize]);
    return buffer_ != nullptr;
  }

  // Hands out exactly `count` bytes, each piece through `take`.
  template <typename Take>
  DeltaStatus Read(size_t count, Take&& take) {
    while (count > 0) {
      if (position_ == filled_) {
        position_ = 0;
        filled_ = 0;
        DeltaStatus status = read_(buffer_.get(), kDeltaBufferSize, &filled_);
        if (!status.ok()) return status;
        if (filled_ == 0) return BadFormat();  // shorter than announced
      }
      const size_t piece = std::min(count, filled_ - position_);
      DeltaStatus status = take(buffer_.get() + position_, piece);
      if (!status.ok()) return status;
      position_ += piece;
      count -= piece;
    }
    return {};
  }

  DeltaStatus ReadInto(uint8_t* into, size_t count) {
    return Read(count, [&into](const uint8_t* from, size_t piece) {
      std::memcpy(into, from, piece);
      into += piece;
      return DeltaStatus{};
    });
  }

 private:
  const DeltaRead& read_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t position_ = 0;
  size_t filled_ = 0;
};

}  // namespace

DeltaStatus Reconstruct(const DeltaRead& delta, uint64_t delta_size, const DeltaReadAt& old,
                        uint64_t old_size, uint64_t max_output, const DeltaWrite& out,
                        RebuildResult* result) {
  *result = {};
  if (delta_size < kDeltaMinimumSize) return BadFormat();
  DeltaReader reader(delta);
  std::unique_ptr<uint8_t[]> copy(new (std::nothrow) uint8_t[kDeltaBufferSize]);
  if (!reader.Allocate() || !copy) return {kDeltaOutOfMemory, kTextDeltaOutOfMemory};
  uint8_t field[6];
  DeltaStatus status = reader.ReadInto(field, 4);
  if (!status.ok()) return status;
  const uint32_t block_size = LoadLittleEndian32(field);
  if (block_size == 0 || block_size > kMaxDeltaBlockSize) return BadFormat();
  const uint64_t block_count = old_size / block_size + (old_size % block_size != 0);

  BackgroundMd4 md4;
  uint64_t written = 0;
  auto emit = [&](const uint8_t* from, size_t count) -> DeltaStatus {
    if (count > max_output - written) return BadFormat();
    md4.Update(from, count);
    written += count;
    return out(from, count);
  };
  const uint64_t records_end = delta_size - kDeltaMd4Size;
  uint64_t consumed = 4;
  while (consumed < records_end) {
    if (records_end - consumed < 2) return BadFormat();
    status = reader.ReadInto(field, 2);
    if (!status.ok()) return status;
    consumed += 2;
    const uint16_t value = static_cast<uint16_t>(field[0] | (field[1] << 8));
    const uint32_t count = value & 0x7FFFu;
    if (count == 0) return BadFormat();
    if ((value & kBlockRunFlag) == 0) {
      if (records_end - consumed < count) return BadFormat();
      status = reader.Read(count, emit);
      if (!status.ok()) return status;
      consumed += count;
      continue;
    }
    if (records_end - consumed < 4) return BadFormat();
    status = reader.ReadInto(field + 2, 4);
    if (!status.ok()) return status;
    consumed += 4;
    const uint64_t first = LoadLittleEndian32(field + 2);
    if (first + count > block_count) return BadFormat();
    // Consecutive blocks are one range of the old file.
    uint64_t offset = first * block_size;
    const uint64_t end = std::min<uint64_t>((first + count) * block_size, old_size);
    if (end - offset > max_output - written) return BadFormat();
    while (offset < end) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(end - offset, kDeltaBufferSize));
      size_t got = 0;
      status = old(offset, copy.get(), want, &got);
      if (!status.ok()) return status;
      if (got == 0) return {kDeltaBadDeltaFile, "The old file ended before its size"};
      status = emit(copy.get(), got);
      if (!status.ok()) return status;
      offset += got;
    }
  }
  uint8_t expected[kDeltaMd4Size];
  status = reader.ReadInto(expected, sizeof(expected));
  if (!status.ok()) return status;
  uint8_t actual[kDeltaMd4Size];
  md4.Final(actual);
  result->size = written;
  result->md4_matches = std::memcmp(expected, actual, sizeof(actual)) == 0;
  return {};
}

}  // namespace qorv
