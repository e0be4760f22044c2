// Slows down guessing of passwords.
//
// Failed logins are counted per connection (ConnectionState) and per user
// name of a database (here). From the fourth failure on, the answer to a
// failure is held back for a delay that doubles with each further failure,
// from 250 ms up to 8 s; a login for a name whose failures are being slowed
// down first waits out that name's delay, whichever connection it comes on,
// and then is checked as usual, so the right password still gets in. A
// connection is closed after its fifth failure. A name's failures are
// forgotten after a successful login, or 15 minutes after the last one.
#ifndef QORV_SERVER_LOGIN_THROTTLE_H_
#define QORV_SERVER_LOGIN_THROTTLE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "platform/com/mutex.h"

namespace qorv::server {

inline constexpr int32_t kFailuresBeforeDelay = 3;
inline constexpr int32_t kFailuresBeforeClose = 5;
inline constexpr int64_t kFirstLoginDelayMs = 250;
inline constexpr int64_t kLongestLoginDelayMs = 8000;
inline constexpr int64_t kFailureMemoryMs = 15 * 60 * 1000;

// The delay after `failures` failed logins: 0 up to kFailuresBeforeDelay.
int64_t LoginDelayMs(int32_t failures);

class LoginThrottle {
 public:
  struct Clock {
    // Milliseconds of a monotonic clock.
    std::function<int64_t()> now_ms;
    // Waits `ms` (a stopping server may cut it short).
    std::function<void(int64_t ms)> sleep_ms;
  };
  explicit LoginThrottle(Clock clock) : clock_(std::move(clock)) {}
  LoginThrottle(const LoginThrottle&) = delete;
  LoginThrottle& operator=(const LoginThrottle&) = delete;

  // Waits until a login for `name` (database and user, as one key) may be
  // checked.
  void WaitBeforeCheck(const std::string& name) QORV_EXCLUDES(mutex_);
  // Records the outcome of a login for `name` on a connection that had
  // `*connection_failures` failures before it, and counts it there. After a
  // failure waits the delay its count calls for.
  void Record(const std::string& name, bool succeeded, int32_t* connection_failures)
      QORV_EXCLUDES(mutex_);

 private:
  struct NameFailures {
    int32_t count = 0;
    int64_t last_ms = 0;
  };

  static constexpr size_t kFirstSweepAt = 1024;

  Clock clock_;
  platform::Mutex mutex_;
  size_t sweep_at_ QORV_GUARDED_BY(mutex_) = kFirstSweepAt;
  std::map<std::string, NameFailures> names_ QORV_GUARDED_BY(mutex_);
};

}  // namespace qorv::server

#endif  // QORV_SERVER_LOGIN_THROTTLE_H_
