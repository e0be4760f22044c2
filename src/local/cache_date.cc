#include "local/cache_date.h"

#include "local/variant_date.h"
#include "net/format_text.h"
#include "platform/com/fixed_digits.h"

namespace qorv {
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
  bool parsed = ReadFixedDigits(text, &at, 4, &c.year) && ReadSeparator(text, &at, '-') &&
                ReadFixedDigits(text, &at, 2, &c.month) && ReadSeparator(text, &at, '-') &&
                ReadFixedDigits(text, &at, 2, &c.day) && ReadSeparator(text, &at, ' ') &&
                ReadFixedDigits(text, &at, 2, &c.hour) && ReadSeparator(text, &at, ':') &&
                ReadFixedDigits(text, &at, 2, &c.minute) && ReadSeparator(text, &at, ':') &&
                ReadFixedDigits(text, &at, 2, &c.second) && ReadSeparator(text, &at, '.') &&
                ReadFixedDigits(text, &at, 3, &c.millisecond) && at == text.size();
  DATE value;
  if (!parsed || !CalendarToDate(c, &value)) return CacheDate::Invalid();
  return CacheDate::Valid(value);
}

}  // namespace qorv
