#include "codec/background_md4.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

namespace qorv {

BackgroundMd4::BackgroundMd4() {
  for (Slot& slot : slots_) {
    slot.bytes.reset(new (std::nothrow) uint8_t[kSlotSize]);
    if (!slot.bytes) return;  // hashed in Update() instead
  }
  try {
    thread_ = std::thread([this] { Work(); });
    threaded_ = true;
  } catch (const std::system_error&) {
    // No thread to be had: hashed in Update() instead.
  }
}

BackgroundMd4::~BackgroundMd4() { Stop(); }

void BackgroundMd4::Stop() {
  if (!threaded_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
  threaded_ = false;
}

void BackgroundMd4::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return filled_ > 0 || stopping_; });
    if (filled_ == 0) return;  // stopping, and nothing left
    Slot& slot = slots_[first_];
    lock.unlock();
    md4_.Update(slot.bytes.get(), slot.length);
    lock.lock();
    first_ = (first_ + 1) % kSlotCount;
    --filled_;
    changed_.notify_all();
  }
}

void BackgroundMd4::Update(const void* data, size_t length) {
  if (!threaded_) {
    md4_.Update(data, length);
    return;
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  while (length > 0) {
    const size_t take = std::min(length, kSlotSize);
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return filled_ < kSlotCount; });
      Slot& slot = slots_[(first_ + filled_) % kSlotCount];
      std::memcpy(slot.bytes.get(), bytes, take);
      slot.length = take;
      ++filled_;
    }
    changed_.notify_all();
    bytes += take;
    length -= take;
  }
}

void BackgroundMd4::Final(uint8_t digest[Md4::kDigestSize]) {
  Stop();  // the thread hashes what is left before it ends
  md4_.Final(digest);
}

}  // namespace qorv
