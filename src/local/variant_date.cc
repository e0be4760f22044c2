#include "local/variant_date.h"

#include <cmath>

namespace qorv {
namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar,
// counted in 400-year eras that start on March 1st.
constexpr int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  int64_t era = (year >= 0 ? year : year - 399) / 400;
  int64_t year_of_era = year - era * 400;
  int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;  // days since 1970-01-01
}

constexpr int64_t kDay0SinceUnixEpoch = DaysFromCivil(1899, 12, 30);

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

int64_t DayNumberOf(int year, int month, int day) {
  return DaysFromCivil(year, month, day) - kDay0SinceUnixEpoch;
}

void CalendarDayOf(int64_t day_number, int* year, int* month, int* day) {
  int64_t z = day_number + kDay0SinceUnixEpoch + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t day_of_era = z - era * 146097;
  int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  int64_t mp = (5 * day_of_year + 2) / 153;
  *day = static_cast<int>(day_of_year - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(year_of_era + era * 400 + (*month <= 2 ? 1 : 0));
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
