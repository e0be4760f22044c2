// Reading dates and times written with fixed-width fields ("2024-03-01
// 12:30:05.250"): a field of an exact number of decimal digits, and the one
// separator character expected next. VARIANT date text, the cache file's
// dates and the command-line client's date arguments all read theirs with
// these. Both advance `*at` only when they succeed.
#ifndef QORV_PLATFORM_COM_FIXED_DIGITS_H_
#define QORV_PLATFORM_COM_FIXED_DIGITS_H_

#include <cstddef>
#include <string_view>

namespace qorv {

// Reads exactly `width` decimal digits (at most 9) at text[*at].
constexpr bool ReadFixedDigits(std::string_view text, size_t* at, size_t width, int* value) {
  if (*at > text.size() || text.size() - *at < width) return false;
  int result = 0;
  for (size_t i = 0; i < width; ++i) {
    const char c = text[*at + i];
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
  }
  *at += width;
  *value = result;
  return true;
}

// Takes the character `wanted` at text[*at].
constexpr bool ReadSeparator(std::string_view text, size_t* at, char wanted) {
  if (*at >= text.size() || text[*at] != wanted) return false;
  ++*at;
  return true;
}

}  // namespace qorv

#endif  // QORV_PLATFORM_COM_FIXED_DIGITS_H_
