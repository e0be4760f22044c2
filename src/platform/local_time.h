// The system clock and the local time zone.
#ifndef QORV_PLATFORM_LOCAL_TIME_H_
#define QORV_PLATFORM_LOCAL_TIME_H_

#include <cstdint>

#include "platform/file_system.h"

namespace qorv::platform {

// The current time as a UTC file time.
FileTime CurrentFileTime();

// Converts between UTC and the local calendar with the time zone's rules for
// that moment (daylight saving time included). A local time that a clock
// change skips or repeats is resolved the way the C library resolves it.
// Return false when the time is outside what the system can convert.
bool UtcToLocalFileTime(FileTime utc, FileTime* local);
bool LocalToUtcFileTime(FileTime local, FileTime* utc);

// Milliseconds since 1970-01-01 00:00 UTC, from the system's real-time clock.
int64_t UnixTimeMs();

// Seconds to add to UTC to get the local time at the given instant (negative
// west of Greenwich, daylight saving included).
int32_t LocalUtcOffsetSeconds(int64_t unix_seconds);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_LOCAL_TIME_H_
