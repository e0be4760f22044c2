// The system clock and the local time zone, in file-time units.
#ifndef QORV_PLATFORM_LOCAL_TIME_H_
#define QORV_PLATFORM_LOCAL_TIME_H_

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

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_LOCAL_TIME_H_
