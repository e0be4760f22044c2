#include "platform/component/module_lock.h"

#include <atomic>

namespace qorv::platform {
namespace {

std::atomic<long>& LockCount() {
  static std::atomic<long> count{0};
  return count;
}

}  // namespace

void LockModule() { LockCount().fetch_add(1, std::memory_order_relaxed); }

void UnlockModule() {
  std::atomic<long>& count = LockCount();
  long current = count.load(std::memory_order_relaxed);
  while (current > 0 &&
         !count.compare_exchange_weak(current, current - 1, std::memory_order_relaxed)) {
  }
}

long ModuleLockCount() { return LockCount().load(std::memory_order_relaxed); }

}  // namespace qorv::platform
