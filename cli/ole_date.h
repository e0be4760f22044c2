// OLE Automation dates (days since 1899-12-30 as a double, the fraction being
// the time of day) as the SDK hands them out and takes them, and their text
// form on the command line. Both are calendar values in the server's local
// time: no time zone is applied either way.
#ifndef QORV_CLI_OLE_DATE_H_
#define QORV_CLI_OLE_DATE_H_

#include <optional>
#include <string>
#include <string_view>

#include "qorvsdk/comtypes.h"

namespace qorv::cli {

// Reads "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" (a "T" may
// stand for the blank). Years 100 to 9999. A date without a time is the
// start of that day, or, with `end_of_day`, its last millisecond, so that
// "--until 2024-03-01" includes the whole day. Nothing for any other text.
std::optional<DATE> ParseDateArgument(std::string_view text, bool end_of_day);

// "YYYY-MM-DD HH:MM:SS" (with `separator` between date and time), rounded
// to the millisecond and shown to the second. The SDK's "no date", 0.0,
// gives the empty text.
std::string FormatOleDate(DATE date, char separator = ' ');

}  // namespace qorv::cli

#endif  // QORV_CLI_OLE_DATE_H_
