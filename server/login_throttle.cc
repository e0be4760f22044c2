#include "server/login_throttle.h"

#include <algorithm>
#include <iterator>

namespace qorv::server {

int64_t LoginDelayMs(int32_t failures) {
  if (failures <= kFailuresBeforeDelay) return 0;
  int64_t delay = kFirstLoginDelayMs;
  for (int32_t i = kFailuresBeforeDelay + 1; i < failures && delay < kLongestLoginDelayMs; ++i) {
    delay *= 2;
  }
  return std::min(delay, kLongestLoginDelayMs);
}

void LoginThrottle::WaitBeforeCheck(const std::string& name) {
  int64_t wait = 0;
  {
    platform::MutexLock lock(mutex_);
    auto found = names_.find(name);
    if (found == names_.end()) return;
    const int64_t now = clock_.now_ms();
    if (now - found->second.last_ms > kFailureMemoryMs) {
      names_.erase(found);
      return;
    }
    wait = found->second.last_ms + LoginDelayMs(found->second.count) - now;
  }
  if (wait > 0) clock_.sleep_ms(wait);
}

void LoginThrottle::Record(const std::string& name, bool succeeded, int32_t* connection_failures) {
  if (succeeded) {
    platform::MutexLock lock(mutex_);
    names_.erase(name);
    return;
  }
  ++*connection_failures;
  int32_t name_failures = 0;
  {
    platform::MutexLock lock(mutex_);
    const int64_t now = clock_.now_ms();
    // Many names guessed at once cannot grow the map without bound:
    // forgotten failures go whenever it has doubled since the last sweep.
    if (names_.size() >= sweep_at_) {
      for (auto it = names_.begin(); it != names_.end();) {
        it = now - it->second.last_ms > kFailureMemoryMs ? names_.erase(it) : std::next(it);
      }
      sweep_at_ = std::max(kFirstSweepAt, 2 * names_.size());
    }
    NameFailures& failures = names_[name];
    ++failures.count;
    failures.last_ms = now;
    name_failures = failures.count;
  }
  const int64_t delay = LoginDelayMs(std::max(*connection_failures, name_failures));
  if (delay > 0) clock_.sleep_ms(delay);
}

}  // namespace qorv::server
