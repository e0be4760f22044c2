#include "local/cache_date.h"

#include "local/variant_date.h"
#include "net/format_text.h"

namespace qorv {
namespace {

// Reads exactly `width` decimal digits at `*at`.
bool ReadDigits(std::string_view text, size_t* at, size_t width, int* value) {
  if (*at + width > text.size()) return false;
  int result = 0;
  for (size_t i = 0; i < width; ++i) {
    char c = text[*at + i];
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
  }
  *at += width;
  *value = result;
  return true;
}

bool Expect(std::string_view text, size_t* at, char c) {
  if (*at >= text.size() || text[*at] != c) return false;
  ++*at;
  return true;
}

}  // namespace

std::string FormatCacheDate(const CacheDate& date) {
  switch (date.status()) {
    case CacheDate::Status::kNull:
      return std::string();
    case CacheDate::Status::kInvalid:
      return kCacheDateInvalidText;
    case CacheDate::Status::kValid:
      break;
  }
  CalendarTime c;
  if (!DateToCalendar(date.value(), &c)) return kCacheDateInvalidText;
  return FormatText("%04d-%02d-%02d %02d:%02d:%02d.%03d", c.year, c.month, c.day, c.hour, c.minute,
                    c.second, c.millisecond);
}

CacheDate ParseCacheDate(std::string_view text) {
  if (text.empty()) return CacheDate::Null();
  CalendarTime c;
  size_t at = 0;
  bool parsed = ReadDigits(text, &at, 4, &c.year) && Expect(text, &at, '-') &&
                ReadDigits(text, &at, 2, &c.month) && Expect(text, &at, '-') &&
                ReadDigits(text, &at, 2, &c.day) && Expect(text, &at, ' ') &&
                ReadDigits(text, &at, 2, &c.hour) && Expect(text, &at, ':') &&
                ReadDigits(text, &at, 2, &c.minute) && Expect(text, &at, ':') &&
                ReadDigits(text, &at, 2, &c.second) && Expect(text, &at, '.') &&
                ReadDigits(text, &at, 3, &c.millisecond) && at == text.size();
  DATE value;
  if (!parsed || !CalendarToDate(c, &value)) return CacheDate::Invalid();
  return CacheDate::Valid(value);
}

}  // namespace qorv
