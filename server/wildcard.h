// Matching of file names against type patterns such as "*.exe;*.obj".
#ifndef QORV_SERVER_WILDCARD_H_
#define QORV_SERVER_WILDCARD_H_

#include <string_view>

namespace qorv::server {

// "*" matches any run of characters, "?" one character; letters compare
// without regard to case (ASCII folding).
bool WildcardMatch(std::string_view pattern, std::string_view name);

// True when the name matches one of the ";"-separated patterns (blanks
// around each pattern ignored; empty patterns match nothing).
bool MatchesAnyPattern(std::string_view patterns, std::string_view name);

}  // namespace qorv::server

#endif  // QORV_SERVER_WILDCARD_H_
