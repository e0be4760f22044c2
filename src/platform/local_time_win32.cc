#include "platform/com/win32_api.h"
#include "platform/local_time.h"

namespace qorv::platform {
namespace {

constexpr int64_t kEpochDifferenceSeconds = 11644473600LL;
constexpr int64_t kTicksPerSecond = 10000000LL;

}  // namespace

FileTime CurrentFileTime() {
  FILETIME now;
  ::GetSystemTimePreciseAsFileTime(&now);
  return FromFiletime(now);
}

// The time zone's rules for the year of the moment (daylight saving time
// included), as the system's own conversions between calendars apply them.
bool UtcToLocalFileTime(FileTime utc, FileTime* local) {
  FILETIME in = ToFiletime(utc);
  SYSTEMTIME utc_calendar, local_calendar;
  if (!::FileTimeToSystemTime(&in, &utc_calendar) ||
      !::SystemTimeToTzSpecificLocalTime(nullptr, &utc_calendar, &local_calendar)) {
    return false;
  }
  FILETIME out;
  if (!::SystemTimeToFileTime(&local_calendar, &out)) return false;
  // The calendars carry milliseconds only: keep the finer part as it was.
  *local = FromFiletime(out) + utc % 10000;
  return true;
}

bool LocalToUtcFileTime(FileTime local, FileTime* utc) {
  FILETIME in = ToFiletime(local);
  SYSTEMTIME local_calendar, utc_calendar;
  if (!::FileTimeToSystemTime(&in, &local_calendar) ||
      !::TzSpecificLocalTimeToSystemTime(nullptr, &local_calendar, &utc_calendar)) {
    return false;
  }
  FILETIME out;
  if (!::SystemTimeToFileTime(&utc_calendar, &out)) return false;
  *utc = FromFiletime(out) + local % 10000;
  return true;
}

int64_t UnixTimeMs() {
  return static_cast<int64_t>(CurrentFileTime() / 10000) - kEpochDifferenceSeconds * 1000;
}

int32_t LocalUtcOffsetSeconds(int64_t unix_seconds) {
  FileTime utc = static_cast<FileTime>((unix_seconds + kEpochDifferenceSeconds) * kTicksPerSecond);
  FileTime local = 0;
  if (!UtcToLocalFileTime(utc, &local)) return 0;
  return static_cast<int32_t>((static_cast<int64_t>(local) - static_cast<int64_t>(utc)) /
                              kTicksPerSecond);
}

}  // namespace qorv::platform
