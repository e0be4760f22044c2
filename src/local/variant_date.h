// Variant dates (OLE Automation dates): days since 1899-12-30 as a double,
// the fraction being the time of day. For a date before 1899-12-30 the whole
// part counts the days back and the fraction still counts forward from
// midnight: -1.25 is 1899-12-29 06:00.
//
// Dates here are handled to the millisecond. Every date this system makes is
// composed as whole days plus milliseconds by DateFromDayAndMilliseconds(),
// the same composition the wire uses, so that a date split back into days
// and milliseconds and composed again gives the identical double.
#ifndef QORV_LOCAL_VARIANT_DATE_H_
#define QORV_LOCAL_VARIANT_DATE_H_

#include <cstdint>

#include "qorvsdk/comtypes.h"

namespace qorv {

// The supported range: 0100-01-01 00:00:00 to 9999-12-31 23:59:59.999. The
// first day is kMinVariantDate; its later times are -657434.x.
inline constexpr DATE kMinVariantDate = -657434.0;
inline constexpr DATE kMaxVariantDate = 2958466.0;  // exclusive

inline constexpr int32_t kMillisecondsPerDay = 86400000;

struct CalendarTime {
  int year = 1899;
  int month = 12;  // 1 to 12
  int day = 30;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Day number (0 = 1899-12-30, negative before) and milliseconds into the day
// (0 to 86,399,999), rounded to the nearest millisecond. False for a value
// that is not a number or lies outside the supported range.
bool SplitDate(DATE date, int64_t* day, int32_t* milliseconds);

// The date of `day` (as SplitDate gives it) at `milliseconds` into that day.
DATE DateFromDayAndMilliseconds(int64_t day, int32_t milliseconds);

bool DateToCalendar(DATE date, CalendarTime* calendar);
// False when a field is out of its range or the year is outside 100 to 9999.
bool CalendarToDate(const CalendarTime& calendar, DATE* date);

// Day numbers of the proleptic Gregorian calendar, relative to 1899-12-30.
int64_t DayNumberOf(int year, int month, int day);
void CalendarDayOf(int64_t day_number, int* year, int* month, int* day);

}  // namespace qorv

#endif  // QORV_LOCAL_VARIANT_DATE_H_
