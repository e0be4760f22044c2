// Conversions between file times (UTC, 100 ns units since 1601), local time
// and the variant dates of the interface.
#ifndef QORV_LOCAL_FILE_TIMES_H_
#define QORV_LOCAL_FILE_TIMES_H_

#include "local/variant_date.h"
#include "platform/file_system.h"
#include "qorvsdk/comtypes.h"

namespace qorv {

using platform::FileTime;

// File time to calendar time to variant date, with no time-zone change; the
// part below a millisecond is dropped. `*valid` is false (and the result 0)
// when the time lies outside the variant date range.
DATE FileTimeToDate(FileTime time, bool* valid);

// Calendar time to file time, with no time-zone change. False outside the
// file time range.
bool DateToFileTimeNoZone(DATE date, FileTime* time);

// A variant date in local time to a UTC file time; when the date cannot be
// converted, the current time.
FileTime LocalDateToFileTime(DATE local_date);

// A UTC file time to a variant date in local time; when it cannot be
// converted, the current time.
DATE FileTimeToLocalDate(FileTime time);

// The calendar time of a file time, with no time-zone change.
CalendarTime FileTimeToCalendar(FileTime time);

}  // namespace qorv

#endif  // QORV_LOCAL_FILE_TIMES_H_
