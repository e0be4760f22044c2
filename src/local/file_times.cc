#include "local/file_times.h"

#include "platform/local_time.h"

namespace qorv {
namespace {

constexpr int64_t kTicksPerMillisecond = 10000;
constexpr int64_t kTicksPerDay = int64_t{kMillisecondsPerDay} * kTicksPerMillisecond;

// Day number (variant date days) of 1601-01-01, the file time origin.
int64_t FileTimeOriginDay() { return DayNumberOf(1601, 1, 1); }

}  // namespace

DATE FileTimeToDate(FileTime time, bool* valid) {
  int64_t ticks = static_cast<int64_t>(time);
  *valid = false;
  if (ticks < 0) return 0;
  int64_t day = ticks / kTicksPerDay + FileTimeOriginDay();
  int32_t ms = static_cast<int32_t>(ticks % kTicksPerDay / kTicksPerMillisecond);
  if (day >= static_cast<int64_t>(kMaxVariantDate)) return 0;
  *valid = true;
  return DateFromDayAndMilliseconds(day, ms);
}

bool DateToFileTimeNoZone(DATE date, FileTime* time) {
  int64_t day;
  int32_t ms;
  if (!SplitDate(date, &day, &ms)) return false;
  int64_t days_since_origin = day - FileTimeOriginDay();
  if (days_since_origin < 0) return false;
  *time = static_cast<FileTime>(days_since_origin * kTicksPerDay + ms * kTicksPerMillisecond);
  return true;
}

FileTime LocalDateToFileTime(DATE local_date) {
  FileTime local;
  FileTime utc;
  if (DateToFileTimeNoZone(local_date, &local) && platform::LocalToUtcFileTime(local, &utc)) {
    return utc;
  }
  return platform::CurrentFileTime();
}

DATE FileTimeToLocalDate(FileTime time) {
  FileTime local;
  bool valid = false;
  DATE date = 0;
  if (platform::UtcToLocalFileTime(time, &local)) date = FileTimeToDate(local, &valid);
  if (valid) return date;
  platform::UtcToLocalFileTime(platform::CurrentFileTime(), &local);
  return FileTimeToDate(local, &valid);
}

CalendarTime FileTimeToCalendar(FileTime time) {
  CalendarTime calendar;
  int64_t ticks = static_cast<int64_t>(time & 0x7FFFFFFFFFFFFFFFULL);
  CalendarDayOf(ticks / kTicksPerDay + FileTimeOriginDay(), &calendar.year, &calendar.month,
                &calendar.day);
  int64_t ms = ticks % kTicksPerDay / kTicksPerMillisecond;
  calendar.hour = static_cast<int>(ms / 3600000);
  calendar.minute = static_cast<int>(ms / 60000 % 60);
  calendar.second = static_cast<int>(ms / 1000 % 60);
  calendar.millisecond = static_cast<int>(ms % 1000);
  return calendar;
}

}  // namespace qorv
