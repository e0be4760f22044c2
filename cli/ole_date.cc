#include "cli/ole_date.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "platform/com/civil_date.h"
#include "platform/com/fixed_digits.h"

namespace qorv::cli {
namespace {

constexpr int64_t kMsPerDay = 86400000;

}  // namespace

std::optional<DATE> ParseDateArgument(std::string_view text, bool end_of_day) {
  size_t at = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!ReadFixedDigits(text, &at, 4, &year) || !ReadSeparator(text, &at, '-') ||
      !ReadFixedDigits(text, &at, 2, &month) || !ReadSeparator(text, &at, '-') ||
      !ReadFixedDigits(text, &at, 2, &day)) {
    return std::nullopt;
  }
  if (year < 100 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
    return std::nullopt;
  }
  const bool has_time = at < text.size();
  if (has_time) {
    if (text[at] != ' ' && text[at] != 'T') return std::nullopt;
    ++at;
    if (!ReadFixedDigits(text, &at, 2, &hour) || !ReadSeparator(text, &at, ':') ||
        !ReadFixedDigits(text, &at, 2, &minute)) {
      return std::nullopt;
    }
    if (at < text.size() &&
        (!ReadSeparator(text, &at, ':') || !ReadFixedDigits(text, &at, 2, &second))) {
      return std::nullopt;
    }
    if (at != text.size() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  }
  const int64_t days = DaysFromCivil(year, month, day) + kUnixEpochOleDays;
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
  const CivilDate civil = CivilFromDays(days - kUnixEpochOleDays);
  const int64_t year = civil.year;
  const int month = civil.month;
  const int day = civil.day;
  const int64_t seconds = ms / 1000;
  char text[48];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02d%c%02d:%02d:%02d", static_cast<long long>(year),
                month, day, separator, static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}

}  // namespace qorv::cli
