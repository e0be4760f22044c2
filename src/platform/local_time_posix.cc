#include <errno.h>
#include <time.h>

#include <cstdint>

#include "platform/local_time.h"

namespace qorv::platform {
namespace {

constexpr int64_t kEpochDifferenceSeconds = 11644473600LL;
constexpr int64_t kTicksPerSecond = 10000000LL;
// Keeps every intermediate value well inside time_t and the tm year field.
constexpr uint64_t kLargestConvertible = 0x7FFFFFFFFFFFFFFFULL;

}  // namespace

FileTime CurrentFileTime() {
  timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<FileTime>((static_cast<int64_t>(now.tv_sec) + kEpochDifferenceSeconds) *
                                   kTicksPerSecond +
                               now.tv_nsec / 100);
}

bool UtcToLocalFileTime(FileTime utc, FileTime* local) {
  if (utc > kLargestConvertible) return false;
  time_t seconds =
      static_cast<time_t>(static_cast<int64_t>(utc / kTicksPerSecond) - kEpochDifferenceSeconds);
  tm broken;
  if (::localtime_r(&seconds, &broken) == nullptr) return false;
  int64_t shifted =
      static_cast<int64_t>(utc) + static_cast<int64_t>(broken.tm_gmtoff) * kTicksPerSecond;
  if (shifted < 0) return false;
  *local = static_cast<FileTime>(shifted);
  return true;
}

bool LocalToUtcFileTime(FileTime local, FileTime* utc) {
  if (local > kLargestConvertible) return false;
  // Break the local value down as if it were UTC, then let mktime() find the
  // moment at which the local clock showed it.
  time_t as_if_utc =
      static_cast<time_t>(static_cast<int64_t>(local / kTicksPerSecond) - kEpochDifferenceSeconds);
  tm broken;
  if (::gmtime_r(&as_if_utc, &broken) == nullptr) return false;
  broken.tm_isdst = -1;
  errno = 0;
  time_t seconds = ::mktime(&broken);
  if (seconds == static_cast<time_t>(-1) && errno != 0) return false;
  int64_t ticks = (static_cast<int64_t>(seconds) + kEpochDifferenceSeconds) * kTicksPerSecond +
                  static_cast<int64_t>(local % kTicksPerSecond);
  if (ticks < 0) return false;
  *utc = static_cast<FileTime>(ticks);
  return true;
}

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
