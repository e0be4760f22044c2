// Dates of the proleptic Gregorian calendar as day numbers, the arithmetic
// under every OLE Automation date conversion (VARIANT coercion, working-folder
// file times, key-file expiry dates, the command-line client's output).
// Day numbers count from 1970-01-01; 400-year eras starting on March 1st make
// both directions exact for every year, negative ones included.
#ifndef QORV_PLATFORM_COM_CIVIL_DATE_H_
#define QORV_PLATFORM_COM_CIVIL_DATE_H_

#include <cstdint>

namespace qorv {

// 1970-01-01 is day 25569 of the OLE Automation date scale (day 0 is
// 1899-12-30).
inline constexpr int64_t kUnixEpochOleDays = 25569;

struct CivilDate {
  int64_t year = 1970;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
};

// Days since 1970-01-01 of year-month-day (month 1 to 12, day 1 to 31).
constexpr int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

// The calendar date of a day number (days since 1970-01-01).
constexpr CivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t day_of_era = days - era * 146097;
  const int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t shifted_month = (5 * day_of_year + 2) / 153;
  CivilDate date;
  date.day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  date.month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  date.year = year_of_era + era * 400 + (date.month <= 2 ? 1 : 0);
  return date;
}

constexpr bool IsLeapYear(int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days of the month (month 1 to 12).
constexpr int DaysInMonth(int64_t year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

static_assert(DaysFromCivil(1899, 12, 30) == -kUnixEpochOleDays);
static_assert(CivilFromDays(-kUnixEpochOleDays).year == 1899);

}  // namespace qorv

#endif  // QORV_PLATFORM_COM_CIVIL_DATE_H_
