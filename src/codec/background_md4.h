// The MD4 of a stream, computed on a thread of its own while the caller goes
// on with its work: the delta scan and the rebuild each hash a whole file
// besides what they do with its bytes, and on two cores the two need not
// wait for each other. Update() copies the bytes into one of a few fixed
// slots (1 MiB in all) and returns; it waits only while every slot is
// taken. When the slots or the thread cannot be had the hashing happens in
// Update() itself, with the same result.
#ifndef QORV_CODEC_BACKGROUND_MD4_H_
#define QORV_CODEC_BACKGROUND_MD4_H_

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "codec/md4.h"

namespace qorv {

class BackgroundMd4 {
 public:
  BackgroundMd4();
  ~BackgroundMd4();
  BackgroundMd4(const BackgroundMd4&) = delete;
  BackgroundMd4& operator=(const BackgroundMd4&) = delete;

  void Update(const void* data, size_t length);
  // Waits for the bytes handed over so far and writes their digest. Once.
  void Final(uint8_t digest[Md4::kDigestSize]);

 private:
  static constexpr size_t kSlotCount = 8;
  static constexpr size_t kSlotSize = 128 * 1024;
  struct Slot {
    std::unique_ptr<uint8_t[]> bytes;
    size_t length = 0;
  };

  void Work();
  void Stop();

  Md4 md4_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::array<Slot, kSlotCount> slots_;
  size_t first_ = 0;  // the oldest filled slot
  size_t filled_ = 0;
  bool stopping_ = false;
  std::thread thread_;
  bool threaded_ = false;
};

}  // namespace qorv

#endif  // QORV_CODEC_BACKGROUND_MD4_H_
