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
  return {static_cast<int32_t>(whole),
          static_cast<int32_t>(std::trunc((value - whole) * kMillisecondsPerDay))};
}

double JoinDate(int32_t days, int32_t milliseconds) {
  return static_cast<double>(days) + static_cast<double>(milliseconds) / kMillisecondsPerDay;
}

}  // namespace qorv
