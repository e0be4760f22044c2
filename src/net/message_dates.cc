#include "net/message_dates.h"

#include <cmath>
#include <limits>

namespace qorv {

DateParts SplitDate(double value) {
  constexpr double kLowest = static_cast<double>(std::numeric_limits<int32_t>::min());
  constexpr double kHighest = static_cast<double>(std::numeric_limits<int32_t>::max());
  if (std::isnan(value)) return {0, 0};
  const double whole = std::trunc(value);
  if (whole < kLowest) return {std::numeric_limits<int32_t>::min(), 0};
  if (whole > kHighest) return {std::numeric_limits<int32_t>::max(), 0};
  // |value - whole| < 1, so the milliseconds stay within +-86400000.
  double milliseconds = std::trunc((value - whole) * kMillisecondsPerDay);
  // A date that was read as days + milliseconds / 86400000 is the double
  // nearest to that sum, which may lie just short of it; its product then
  // truncates to one millisecond less than was read. The next millisecond
  // is taken when joining it gives back exactly this value, so a date read
  // is written back unchanged. (It never reaches a whole day: that join
  // would be the next day's value.)
  const double next = milliseconds + (value < 0 ? -1 : 1);
  if (JoinDate(static_cast<int32_t>(whole), static_cast<int32_t>(next)) == value) {
    milliseconds = next;
  }
  return {static_cast<int32_t>(whole), static_cast<int32_t>(milliseconds)};
}

double JoinDate(int32_t days, int32_t milliseconds) {
  return static_cast<double>(days) + static_cast<double>(milliseconds) / kMillisecondsPerDay;
}

}  // namespace qorv
