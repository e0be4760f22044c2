#include <time.h>

#include "platform/local_time.h"

namespace qorv::platform {

int64_t UnixTimeMs() {
  timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

int32_t LocalUtcOffsetSeconds(int64_t unix_seconds) {
  time_t when = static_cast<time_t>(unix_seconds);
  tm local;
  if (::localtime_r(&when, &local) == nullptr) return 0;
  return static_cast<int32_t>(local.tm_gmtoff);
}

}  // namespace qorv::platform
