// Wall-clock time and the local time zone.
#ifndef QORV_PLATFORM_LOCAL_TIME_H_
#define QORV_PLATFORM_LOCAL_TIME_H_

#include <cstdint>

namespace qorv::platform {

// Milliseconds since 1970-01-01 00:00 UTC, from the system's real-time clock.
int64_t UnixTimeMs();

// Seconds to add to UTC to get the local time at the given instant (negative
// west of Greenwich, daylight saving included).
int32_t LocalUtcOffsetSeconds(int64_t unix_seconds);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_LOCAL_TIME_H_
