#include "local/variant_date.h"

#include <cmath>

#include "platform/com/civil_date.h"

namespace qorv {
namespace {

constexpr int64_t kDay0SinceUnixEpoch = -kUnixEpochOleDays;

}  // namespace

int64_t DayNumberOf(int year, int month, int day) {
  return DaysFromCivil(year, month, day) - kDay0SinceUnixEpoch;
}

void CalendarDayOf(int64_t day_number, int* year, int* month, int* day) {
  const CivilDate date = CivilFromDays(day_number + kDay0SinceUnixEpoch);
  *year = static_cast<int>(date.year);
  *month = date.month;
  *day = date.day;
}

bool SplitDate(DATE date, int64_t* day, int32_t* milliseconds) {
  // Times on the first day lie below kMinVariantDate (the fraction counts
  // forward from a negative whole part). NaN fails the test too.
  if (!(date > kMinVariantDate - 1.0 && date < kMaxVariantDate)) return false;
  double whole = std::trunc(date);
  // Exact: the whole part and the date lie within a factor of two of each
  // other (or the whole part is 0).
  double fraction = std::fabs(date - whole);
  int64_t ms = std::llround(fraction * kMillisecondsPerDay);
  int64_t day_number = static_cast<int64_t>(whole);
  if (ms >= kMillisecondsPerDay) {
    // Rounded up to midnight: the next calendar day.
    ms = 0;
    ++day_number;
  }
  if (day_number >= static_cast<int64_t>(kMaxVariantDate)) return false;
  *day = day_number;
  *milliseconds = static_cast<int32_t>(ms);
  return true;
}

DATE DateFromDayAndMilliseconds(int64_t day, int32_t milliseconds) {
  double fraction = static_cast<double>(milliseconds) / kMillisecondsPerDay;
  double whole = static_cast<double>(day);
  return day < 0 ? whole - fraction : whole + fraction;
}

bool DateToCalendar(DATE date, CalendarTime* calendar) {
  int64_t day;
  int32_t ms;
  if (!SplitDate(date, &day, &ms)) return false;
  CalendarDayOf(day, &calendar->year, &calendar->month, &calendar->day);
  calendar->hour = ms / 3600000;
  calendar->minute = ms / 60000 % 60;
  calendar->second = ms / 1000 % 60;
  calendar->millisecond = ms % 1000;
  return true;
}

bool CalendarToDate(const CalendarTime& calendar, DATE* date) {
  const CalendarTime& c = calendar;
  if (c.year < 100 || c.year > 9999 || c.month < 1 || c.month > 12 || c.day < 1 ||
      c.day > DaysInMonth(c.year, c.month) || c.hour < 0 || c.hour > 23 || c.minute < 0 ||
      c.minute > 59 || c.second < 0 || c.second > 59 || c.millisecond < 0 || c.millisecond > 999) {
    return false;
  }
  int32_t ms = ((c.hour * 60 + c.minute) * 60 + c.second) * 1000 + c.millisecond;
  *date = DateFromDayAndMilliseconds(DayNumberOf(c.year, c.month, c.day), ms);
  return true;
}

}  // namespace qorv
