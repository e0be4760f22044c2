// Letter case without regard to the locale.
//
// Text inside the system is UTF-8; case is folded for the ASCII letters only,
// so a byte of a multibyte character is never changed or split.
#ifndef QORV_LOCAL_ASCII_CASE_H_
#define QORV_LOCAL_ASCII_CASE_H_

#include <string>
#include <string_view>

namespace qorv {

std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);

}  // namespace qorv

#endif  // QORV_LOCAL_ASCII_CASE_H_
