#include "cli/ole_date.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace qorv::cli {
namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 1970-01-01 back to the OLE epoch 1899-12-30.
constexpr int64_t kOleEpochFromUnixDays = 25569;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

void CivilFromDays(int64_t days, int64_t* year, int* month, int* day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t day_of_era = days - era * 146097;
  const int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t mp = (5 * day_of_year + 2) / 153;
  *day = static_cast<int>(day_of_year - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = year_of_era + era * 400 + (*month <= 2 ? 1 : 0);
}

bool IsLeapYear(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads exactly `digits` decimal digits at text[*position].
bool ReadNumber(std::string_view text, size_t* position, size_t digits, int* value) {
  if (*position + digits > text.size()) return false;
  int result = 0;
  for (size_t i = 0; i < digits; ++i) {
    const char c = text[*position + i];
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
  }
  *position += digits;
  *value = result;
  return true;
}

bool Expect(std::string_view text, size_t* position, char wanted) {
  if (*position >= text.size() || text[*position] != wanted) return false;
  ++*position;
  return true;
}

}  // namespace

std::optional<DATE> ParseDateArgument(std::string_view text, bool end_of_day) {
  size_t at = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!ReadNumber(text, &at, 4, &year) || !Expect(text, &at, '-') ||
      !ReadNumber(text, &at, 2, &month) || !Expect(text, &at, '-') ||
      !ReadNumber(text, &at, 2, &day)) {
    return std::nullopt;
  }
  if (year < 100 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
    return std::nullopt;
  }
  const bool has_time = at < text.size();
  if (has_time) {
    if (text[at] != ' ' && text[at] != 'T') return std::nullopt;
    ++at;
    if (!ReadNumber(text, &at, 2, &hour) || !Expect(text, &at, ':') ||
        !ReadNumber(text, &at, 2, &minute)) {
      return std::nullopt;
    }
    if (at < text.size() && (!Expect(text, &at, ':') || !ReadNumber(text, &at, 2, &second))) {
      return std::nullopt;
    }
    if (at != text.size() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  }
  const int64_t days = DaysFromCivil(year, month, day) + kOleEpochFromUnixDays;
  int64_t ms = (static_cast<int64_t>(hour) * 3600 + minute * 60 + second) * 1000;
  if (!has_time && end_of_day) ms = kMsPerDay - 1;
  // Before the epoch the time of day is subtracted: -1.25 is 1899-12-29 06:00.
  const double time_of_day = static_cast<double>(ms) / kMsPerDay;
  return days < 0 ? static_cast<double>(days) - time_of_day
                  : static_cast<double>(days) + time_of_day;
}

std::string FormatOleDate(DATE date, char separator) {
  if (date == 0.0 || !std::isfinite(date) || std::fabs(date) > 3e6) return "";
  // For dates before the epoch the integer part is still the day and the
  // fraction, without its sign, the time of day.
  int64_t days = static_cast<int64_t>(std::trunc(date));
  int64_t ms = std::llround(std::fabs(date - static_cast<double>(days)) * kMsPerDay);
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    ++days;
  }
  int64_t year = 0;
  int month = 0, day = 0;
  CivilFromDays(days - kOleEpochFromUnixDays, &year, &month, &day);
  const int64_t seconds = ms / 1000;
  char text[48];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02d%c%02d:%02d:%02d", static_cast<long long>(year),
                month, day, separator, static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}

}  // namespace qorv::cli
