// The wire form of a date-time: OLE Automation dates (days since
// 30 December 1899, the fraction being the time of day) as two int32 values,
// whole days and milliseconds, both truncated toward zero so both carry the
// value's sign.
#ifndef QORV_NET_MESSAGE_DATES_H_
#define QORV_NET_MESSAGE_DATES_H_

#include <cstdint>

namespace qorv {

inline constexpr double kMillisecondsPerDay = 86400000.0;

struct DateParts {
  int32_t days;
  int32_t milliseconds;
};

// Splits a date. Values whose days do not fit an int32 (and NaN) cannot be
// represented: their days are clamped to the int32 range (NaN gives 0) and
// the milliseconds are 0, instead of an undefined conversion.
DateParts SplitDate(double value);

// days + milliseconds / 86400000.
double JoinDate(int32_t days, int32_t milliseconds);

}  // namespace qorv

#endif  // QORV_NET_MESSAGE_DATES_H_
