// Letter case without regard to the locale.
//
// Text inside the system is UTF-8; case is folded for the ASCII letters only,
// so a byte of a multibyte character is never changed or split.
#ifndef QORV_PLATFORM_COM_ASCII_CASE_H_
#define QORV_PLATFORM_COM_ASCII_CASE_H_

#include <string>
#include <string_view>

namespace qorv {

constexpr char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);

}  // namespace qorv

#endif  // QORV_PLATFORM_COM_ASCII_CASE_H_
