#include "codec/delta_digest.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

#include "codec/byte_order.h"
#include "codec/md4.h"
#include "codec/side_thread.h"
#include "codec/weak_checksum.h"

namespace qorv {
namespace {

constexpr size_t kSlotCount = 65536;

DeltaStatus OutOfMemory() { return {kDeltaOutOfMemory, kTextDeltaOutOfMemory}; }
DeltaStatus BadDigest() { return {kDeltaBadDigestFile, kTextDigestBadFormat}; }

void StoreLittleEndian64(uint8_t* p, uint64_t value) {
  StoreLittleEndian32(p, static_cast<uint32_t>(value));
  StoreLittleEndian32(p + 4, static_cast<uint32_t>(value >> 32));
}

}  // namespace

DeltaStatus WriteDigest(uint64_t old_size, uint32_t block_size, std::string_view name,
                        const DeltaRead& old, const DeltaWrite& out) {
  if (block_size == 0) block_size = ChooseBlockSize(old_size);
  if (block_size > kMaxDeltaBlockSize) return BadDigest();
  uint32_t block_count = 0;
  DeltaStatus status = CountBlocks(old_size, block_size, name, &block_count);
  if (!status.ok()) return status;
  // Whole blocks of the old file in, their records out.
  const size_t in_size = std::max<size_t>(block_size, kDeltaBufferSize / block_size * block_size);
  std::unique_ptr<uint8_t[]> in(new (std::nothrow) uint8_t[in_size]);
  // The records of a whole piece must fit, whatever the block size: small
  // blocks make more records per piece than the 64 KiB buffer holds.
  const size_t records_size = std::max<size_t>(
      kDeltaBufferSize, (in_size + block_size - 1) / block_size * kDigestRecordSize);
  std::unique_ptr<uint8_t[]> records(new (std::nothrow) uint8_t[records_size]);
  if (!in || !records) return OutOfMemory();

  uint8_t header[kDigestHeaderSize];
  StoreLittleEndian64(header, old_size);
  StoreLittleEndian32(header + 8, block_size);
  status = out(header, sizeof(header));
  if (!status.ok()) return status;

  const DeltaStatus ended_early{kDeltaBadDigestFile, "The old file ended before its size"};
  // The blocks of each piece are hashed half here, half on a side thread.
  SideThread side;
  uint64_t left = old_size;
  size_t filled = 0;
  while (left > 0) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(left, in_size));
    status = ReadExactly(old, in.get(), piece, ended_early);
    if (!status.ok()) return status;
    left -= piece;
    const size_t blocks = (piece + block_size - 1) / block_size;
    if (filled + blocks * kDigestRecordSize > records_size) {
      status = out(records.get(), filled);
      if (!status.ok()) return status;
      filled = 0;
    }
    uint8_t* first_record = records.get() + filled;
    const uint8_t* bytes = in.get();
    auto hash = [first_record, bytes, piece, block_size](size_t from, size_t to) {
      for (size_t block = from; block < to; ++block) {
        const size_t at = block * block_size;
        const size_t length = std::min<size_t>(block_size, piece - at);
        uint8_t* record = first_record + block * kDigestRecordSize;
        StoreLittleEndian32(record, WeakChecksum(bytes + at, length));
        Md4 md4;
        md4.Update(bytes + at, length);
        md4.Final(record + 4);
      }
    };
    const size_t half = blocks / 2;
    const std::function<void()> second_half = [&hash, half, blocks] { hash(half, blocks); };
    side.Start(second_half);
    hash(0, half);
    side.Wait();
    filled += blocks * kDigestRecordSize;
  }
  return filled > 0 ? out(records.get(), filled) : DeltaStatus{};
}

DeltaStatus BlockTable::Load(const DeltaRead& digest, uint64_t digest_size, BlockTable* table) {
  if (digest_size < kDigestHeaderSize) return BadDigest();
  uint8_t header[kDigestHeaderSize];
  DeltaStatus status = ReadExactly(digest, header, sizeof(header), BadDigest());
  if (!status.ok()) return status;
  const uint64_t old_size =
      LoadLittleEndian32(header) | (static_cast<uint64_t>(LoadLittleEndian32(header + 4)) << 32);
  const uint32_t block_size = LoadLittleEndian32(header + 8);
  if (block_size == 0 || block_size > kMaxDeltaBlockSize) return BadDigest();
  uint32_t block_count = 0;
  status = CountBlocks(old_size, block_size, "(digest)", &block_count);
  if (!status.ok()) return status;
  // The size is checked before anything is allocated for the count.
  if ((digest_size - kDigestHeaderSize) % kDigestRecordSize != 0 ||
      (digest_size - kDigestHeaderSize) / kDigestRecordSize != block_count) {
    return BadDigest();
  }

  std::unique_ptr<Entry[]> entries(new (std::nothrow) Entry[block_count]);
  std::unique_ptr<int32_t[]> slots(new (std::nothrow) int32_t[kSlotCount]);
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kDeltaBufferSize]);
  if ((block_count > 0 && !entries) || !slots || !buffer) return OutOfMemory();
  constexpr size_t kRecordsPerRead = kDeltaBufferSize / kDigestRecordSize;
  for (uint32_t done = 0; done < block_count;) {
    const size_t batch = std::min<size_t>(kRecordsPerRead, block_count - done);
    status = ReadExactly(digest, buffer.get(), batch * kDigestRecordSize, BadDigest());
    if (!status.ok()) return status;
    for (size_t i = 0; i < batch; ++i, ++done) {
      const uint8_t* record = buffer.get() + i * kDigestRecordSize;
      Entry& entry = entries[done];
      entry.index = done;
      entry.weak = LoadLittleEndian32(record);
      std::memcpy(entry.md4, record + 4, sizeof(entry.md4));
    }
  }
  // Ties keep block order, so the first block of equal content is found.
  std::sort(entries.get(), entries.get() + block_count, [](const Entry& a, const Entry& b) {
    return a.weak != b.weak ? a.weak < b.weak : a.index < b.index;
  });
  std::fill(slots.get(), slots.get() + kSlotCount, kNoEntry);
  for (uint32_t i = block_count; i-- > 0;) slots[entries[i].weak >> 16] = static_cast<int32_t>(i);

  table->old_size_ = old_size;
  table->block_size_ = block_size;
  table->block_count_ = block_count;
  table->entries_ = std::move(entries);
  table->slots_ = std::move(slots);
  return {};
}

uint64_t BlockTable::BlockLength(uint32_t index) const {
  const uint64_t start = static_cast<uint64_t>(index) * block_size_;
  return std::min<uint64_t>(block_size_, old_size_ - start);
}

int64_t BlockTable::Find(Probe& probe) const {
  if (!slots_) return -1;
  const int32_t first = slots_[probe.weak_ >> 16];
  if (first == kNoEntry) return -1;
  for (uint32_t i = static_cast<uint32_t>(first);
       i < block_count_ && (entries_[i].weak >> 16) == (probe.weak_ >> 16); ++i) {
    const Entry& entry = entries_[i];
    if (entry.weak > probe.weak_) break;
    if (entry.weak != probe.weak_ || BlockLength(entry.index) != probe.length_) continue;
    if (!probe.hashed_) {
      Md4 md4;
      md4.Update(probe.window_, probe.length_);
      md4.Final(probe.md4_);
      probe.hashed_ = true;
    }
    if (std::memcmp(entry.md4, probe.md4_, sizeof(probe.md4_)) == 0) return entry.index;
  }
  return -1;
}

}  // namespace qorv
