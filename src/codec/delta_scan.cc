#include "codec/delta_scan.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "codec/background_md4.h"
#include "codec/byte_order.h"
#include "codec/md4.h"
#include "codec/weak_checksum.h"

namespace qorv {
namespace {

DeltaStatus OutOfMemory() { return {kDeltaOutOfMemory, "Out of memory"}; }

// The new file as a sliding byte range: [start, end) of the buffer holds
// the bytes read and not yet passed.
class Window {
 public:
  // Every byte read is also handed to `whole`, the MD4 of the whole file.
  Window(const DeltaRead& read, size_t block_size, BackgroundMd4& whole)
      : read_(read), whole_(whole), capacity_(kDeltaBufferSize + 2 * block_size) {}

  bool Allocate() {
    buffer_.reset(new (std::nothrow) uint8_t[capacity_]);
    return buffer_ != nullptr;
  }

  // Makes at least `count` bytes available from the start, or all that is
  // left of the file.
  DeltaStatus Fill(size_t count) {
    while (end_ - start_ < count && !ended_) {
      if (end_ == capacity_) {
        std::memmove(buffer_.get(), buffer_.get() + start_, end_ - start_);
        end_ -= start_;
        start_ = 0;
      }
      size_t got = 0;
      DeltaStatus status = read_(buffer_.get() + end_, capacity_ - end_, &got);
      if (!status.ok()) return status;
      if (got == 0) ended_ = true;
      whole_.Update(buffer_.get() + end_, got);
      end_ += got;
    }
    return {};
  }

  const uint8_t* data() const { return buffer_.get() + start_; }
  size_t available() const { return end_ - start_; }
  void Advance(size_t count) { start_ += count; }

 private:
  const DeltaRead& read_;
  BackgroundMd4& whole_;
  size_t capacity_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t start_ = 0;
  size_t end_ = 0;
  bool ended_ = false;
};

// The records of the delta-information file, buffered in 64 KiB.
class RecordWriter {
 public:
  explicit RecordWriter(const DeltaWrite& out) : out_(out) {}

  bool Allocate() {
    buffer_.reset(new (std::nothrow) uint8_t[kDeltaBufferSize]);
    literal_.reset(new (std::nothrow) uint8_t[kMaxRecordCount]);
    return buffer_ && literal_;
  }

  DeltaStatus Put(const uint8_t* bytes, size_t count) {
    while (count > 0) {
      if (filled_ == kDeltaBufferSize) {
        DeltaStatus status = Flush();
        if (!status.ok()) return status;
      }
      const size_t take = std::min(count, kDeltaBufferSize - filled_);
      std::memcpy(buffer_.get() + filled_, bytes, take);
      filled_ += take;
      bytes += take;
      count -= take;
    }
    return {};
  }

  DeltaStatus Flush() {
    if (filled_ == 0) return {};
    DeltaStatus status = out_(buffer_.get(), filled_);
    filled_ = 0;
    return status;
  }

  DeltaStatus AddLiteral(uint8_t byte) {
    literal_[literal_count_++] = byte;
    return literal_count_ == kMaxRecordCount ? EndLiteral() : DeltaStatus{};
  }

  DeltaStatus EndLiteral() {
    if (literal_count_ == 0) return {};
    uint8_t count[2];
    count[0] = static_cast<uint8_t>(literal_count_);
    count[1] = static_cast<uint8_t>(literal_count_ >> 8);
    DeltaStatus status = Put(count, 2);
    if (status.ok()) status = Put(literal_.get(), literal_count_);
    literal_count_ = 0;
    return status;
  }

  DeltaStatus AddBlock(uint32_t index) {
    if (run_length_ > 0 && index == run_start_ + run_length_) {
      ++run_length_;
    } else {
      DeltaStatus status = EndRun();
      if (!status.ok()) return status;
      run_start_ = index;
      run_length_ = 1;
    }
    return run_length_ == kMaxRecordCount ? EndRun() : DeltaStatus{};
  }

  DeltaStatus EndRun() {
    if (run_length_ == 0) return {};
    uint8_t record[6];
    const uint16_t value = static_cast<uint16_t>(kBlockRunFlag + run_length_);
    record[0] = static_cast<uint8_t>(value);
    record[1] = static_cast<uint8_t>(value >> 8);
    StoreLittleEndian32(record + 2, run_start_);
    run_length_ = 0;
    return Put(record, sizeof(record));
  }

 private:
  const DeltaWrite& out_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t filled_ = 0;
  std::unique_ptr<uint8_t[]> literal_;
  size_t literal_count_ = 0;
  uint32_t run_start_ = 0;
  uint32_t run_length_ = 0;
};

}  // namespace

DeltaStatus WriteDelta(const BlockTable& table, const DeltaRead& new_file, const DeltaWrite& out) {
  const size_t block_size = table.block_size();
  BackgroundMd4 whole;
  Window window(new_file, block_size, whole);
  RecordWriter records(out);
  if (!window.Allocate() || !records.Allocate()) return OutOfMemory();
  uint8_t header[4];
  StoreLittleEndian32(header, table.block_size());
  DeltaStatus status = records.Put(header, sizeof(header));
  if (!status.ok()) return status;

  RollingChecksum checksum;
  status = window.Fill(block_size);
  if (!status.ok()) return status;
  size_t length = std::min(block_size, window.available());
  checksum.Start(window.data(), length);
  while (length > 0) {
    BlockTable::Probe probe(checksum.value(), window.data(), length);
    const int64_t match = table.Find(probe);
    if (match >= 0) {
      status = records.EndLiteral();
      if (status.ok()) status = records.AddBlock(static_cast<uint32_t>(match));
      if (!status.ok()) return status;
      window.Advance(length);
      status = window.Fill(block_size);
      if (!status.ok()) return status;
      length = std::min(block_size, window.available());
      checksum.Start(window.data(), length);
      continue;
    }
    status = records.EndRun();
    if (status.ok()) status = records.AddLiteral(window.data()[0]);
    if (status.ok()) status = window.Fill(length + 1);
    if (!status.ok()) return status;
    const uint8_t outgoing = window.data()[0];
    if (window.available() > length) {
      checksum.Roll(outgoing, window.data()[length]);
    } else {
      checksum.Shrink(outgoing);
      --length;
    }
    window.Advance(1);
  }
  status = records.EndLiteral();
  if (status.ok()) status = records.EndRun();
  uint8_t digest[kDeltaMd4Size];
  whole.Final(digest);
  if (status.ok()) status = records.Put(digest, sizeof(digest));
  if (status.ok()) status = records.Flush();
  return status;
}

}  // namespace qorv
