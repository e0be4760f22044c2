// Option values several commands take: a line ending and a version number.
#ifndef QORV_CLI_VALUE_PARSERS_H_
#define QORV_CLI_VALUE_PARSERS_H_

#include <string>

#include "qorvsdk/comtypes.h"
#include "qorvsdk/enums.h"

namespace qorv::cli {

// "lf", "crlf" or "cr" (lower case, as the help writes them); false for
// anything else.
bool ParseEol(const std::string& text, Enum_EOL* eol);

// Decimal digits only, at most nine of them (so the value fits a LONG);
// false for anything else, a sign or blanks among them.
bool ParseVersion(const std::string& text, LONG* version);

}  // namespace qorv::cli

#endif  // QORV_CLI_VALUE_PARSERS_H_
