#include "platform/component/variant_coerce.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/com/civil_date.h"
#include "platform/com/fixed_digits.h"
#include "platform/com/text_convert.h"

namespace qorv::platform {
namespace {

// VT_BYREF | VT_VARIANT chains longer than this are refused (a VARIANT that
// refers to itself would otherwise loop).
constexpr int kMaxReferenceDepth = 4;

// OLE Automation dates cover the years 100 to 9999.
constexpr double kMinDate = -657434.0;            // 0100-01-01
constexpr double kMaxDate = 2958465.99998842593;  // 9999-12-31 23:59:59
constexpr int64_t kSecondsPerDay = 86400;
// A currency value is a 64-bit integer scaled by 10,000.
constexpr double kCurrencyScale = 10000.0;

VARIANT TypeMismatchView() {
  VARIANT view;
  VariantInit(&view);
  view.vt = VT_ERROR;
  view.value.scode = DISP_E_TYPEMISMATCH;
  return view;
}

// A numeric value read from a VARIANT, kept exact for integers.
struct Number {
  enum class Kind { kSigned, kUnsigned, kFloating } kind = Kind::kSigned;
  int64_t signed_value = 0;
  uint64_t unsigned_value = 0;
  double floating_value = 0.0;

  double AsDouble() const {
    switch (kind) {
      case Kind::kSigned:
        return static_cast<double>(signed_value);
      case Kind::kUnsigned:
        return static_cast<double>(unsigned_value);
      case Kind::kFloating:
        break;
    }
    return floating_value;
  }
  bool IsZero() const {
    switch (kind) {
      case Kind::kSigned:
        return signed_value == 0;
      case Kind::kUnsigned:
        return unsigned_value == 0;
      case Kind::kFloating:
        break;
    }
    return floating_value == 0.0;
  }
};

Number Signed(int64_t v) {
  Number n;
  n.kind = Number::Kind::kSigned;
  n.signed_value = v;
  return n;
}
Number Unsigned(uint64_t v) {
  Number n;
  n.kind = Number::Kind::kUnsigned;
  n.unsigned_value = v;
  return n;
}
Number Floating(double v) {
  Number n;
  n.kind = Number::Kind::kFloating;
  n.floating_value = v;
  return n;
}

std::string_view TrimBlanks(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return text.substr(begin, end - begin);
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
    if (x != y) return false;
  }
  return true;
}

// A whole decimal number: integer when it has no fraction or exponent.
bool ParseNumberText(std::string_view text, Number* number) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const char* begin = text.data();
  const char* end = begin + text.size();
  int64_t integer = 0;
  auto [int_end, int_error] = std::from_chars(begin, end, integer);
  if (int_error == std::errc() && int_end == end) {
    *number = Signed(integer);
    return true;
  }
  double floating = 0.0;
  auto [float_end, float_error] = std::from_chars(begin, end, floating);
  if (float_error == std::errc::result_out_of_range && float_end == end) {
    *number = Floating(std::numeric_limits<double>::infinity());
    return true;
  }
  if (float_error != std::errc() || float_end != end) return false;
  *number = Floating(floating);
  return true;
}

std::string BstrText(BSTR text) {
  return Utf16ToUtf8(std::u16string_view(text, SysStringLen(text)));
}

// The numeric value of a by-value VARIANT (see ReadThrough).
HRESULT NumberOf(const VARIANT& value, Number* number) {
  switch (value.vt) {
    case VT_EMPTY:
      *number = Signed(0);
      return S_OK;
    case VT_I1:
      *number = Signed(static_cast<signed char>(value.value.cVal));
      return S_OK;
    case VT_UI1:
      *number = Signed(value.value.bVal);
      return S_OK;
    case VT_I2:
      *number = Signed(value.value.iVal);
      return S_OK;
    case VT_UI2:
      *number = Signed(value.value.uiVal);
      return S_OK;
    case VT_I4:
      *number = Signed(value.value.lVal);
      return S_OK;
    case VT_INT:
      *number = Signed(value.value.intVal);
      return S_OK;
    case VT_UI4:
      *number = Signed(value.value.ulVal);
      return S_OK;
    case VT_UINT:
      *number = Signed(value.value.uintVal);
      return S_OK;
    case VT_I8:
      *number = Signed(value.value.llVal);
      return S_OK;
    case VT_UI8:
      *number = Unsigned(value.value.ullVal);
      return S_OK;
    case VT_BOOL:
      *number = Signed(value.value.boolVal);
      return S_OK;
    case VT_R4:
      *number = Floating(value.value.fltVal);
      return S_OK;
    case VT_R8:
      *number = Floating(value.value.dblVal);
      return S_OK;
    case VT_DATE:
      *number = Floating(value.value.date);
      return S_OK;
    case VT_CY:
      *number = Floating(static_cast<double>(value.value.cyVal.int64) / kCurrencyScale);
      return S_OK;
    case VT_BSTR: {
      std::string text = BstrText(value.value.bstrVal);
      return ParseNumberText(text, number) ? S_OK : DISP_E_TYPEMISMATCH;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

// "HH:MM[:SS]" at text[*at], up to the end of the text, into seconds of the
// day.
bool ReadTime(std::string_view text, size_t* at, int64_t* seconds) {
  int hour = 0, minute = 0, second = 0;
  if (!ReadFixedDigits(text, at, 2, &hour) || !ReadSeparator(text, at, ':') ||
      !ReadFixedDigits(text, at, 2, &minute)) {
    return false;
  }
  if (*at < text.size() &&
      (!ReadSeparator(text, at, ':') || !ReadFixedDigits(text, at, 2, &second))) {
    return false;
  }
  if (*at != text.size() || hour > 23 || minute > 59 || second > 59) return false;
  *seconds = int64_t{hour} * 3600 + minute * 60 + second;
  return true;
}

// Combines a day number and a time of day as OLE Automation dates do: the
// fraction is the time of day whatever the sign, so days before 1899-12-30
// have the time subtracted.
DATE MakeDate(int64_t day, int64_t seconds) {
  double fraction = static_cast<double>(seconds) / kSecondsPerDay;
  return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

HRESULT MakeBstr(std::string_view text, BSTR* out) {
  BSTR result = nullptr;
  try {
    result = Utf8ToBstr(text);
  } catch (const std::bad_alloc&) {
    result = nullptr;
  }
  if (result == nullptr) return E_OUTOFMEMORY;
  *out = result;
  return S_OK;
}

// Floating text with `precision` significant digits and an upper-case
// exponent ("1E+20"), independent of the C locale.
std::string FloatingText(double value, int precision) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  char buffer[64];
  auto result =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, precision);
  std::string text(buffer, result.ptr);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

std::string CurrencyText(int64_t scaled) {
  bool negative = scaled < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  std::string text = std::to_string(magnitude / 10000);
  uint64_t fraction = magnitude % 10000;
  if (fraction != 0) {
    char digits[8];
    std::snprintf(digits, sizeof(digits), "%04u", static_cast<unsigned>(fraction));
    std::string tail(digits);
    while (tail.back() == '0') tail.pop_back();
    text += "." + tail;
  }
  return negative ? "-" + text : text;
}

}  // namespace

VARIANT ReadThrough(const VARIANT& argument) {
  VARIANT view = argument;
  for (int depth = 0; (view.vt & VT_BYREF) != 0; ++depth) {
    if (depth == kMaxReferenceDepth || view.value.byref == nullptr) return TypeMismatchView();
    const VARTYPE base = static_cast<VARTYPE>(view.vt & ~VT_BYREF);
    if (base == VT_VARIANT) {
      view = *view.value.pvarVal;
      continue;
    }
    VARIANT next;
    VariantInit(&next);
    next.vt = base;
    void* target = view.value.byref;
    switch (base) {
      case VT_I1:
        next.value.cVal = *static_cast<char*>(target);
        break;
      case VT_UI1:
        next.value.bVal = *static_cast<BYTE*>(target);
        break;
      case VT_I2:
        next.value.iVal = *static_cast<SHORT*>(target);
        break;
      case VT_UI2:
        next.value.uiVal = *static_cast<USHORT*>(target);
        break;
      case VT_I4:
        next.value.lVal = *static_cast<LONG*>(target);
        break;
      case VT_UI4:
        next.value.ulVal = *static_cast<ULONG*>(target);
        break;
      case VT_INT:
        next.value.intVal = *static_cast<INT*>(target);
        break;
      case VT_UINT:
        next.value.uintVal = *static_cast<UINT*>(target);
        break;
      case VT_I8:
        next.value.llVal = *static_cast<LONGLONG*>(target);
        break;
      case VT_UI8:
        next.value.ullVal = *static_cast<ULONGLONG*>(target);
        break;
      case VT_R4:
        next.value.fltVal = *static_cast<FLOAT*>(target);
        break;
      case VT_R8:
        next.value.dblVal = *static_cast<DOUBLE*>(target);
        break;
      case VT_DATE:
        next.value.date = *static_cast<DATE*>(target);
        break;
      case VT_CY:
        next.value.cyVal = *static_cast<CY*>(target);
        break;
      case VT_BOOL:
        next.value.boolVal = *static_cast<VARIANT_BOOL*>(target);
        break;
      case VT_BSTR:
        next.value.bstrVal = *static_cast<BSTR*>(target);
        break;
      case VT_DISPATCH:
        next.value.pdispVal = *static_cast<IDispatch**>(target);
        break;
      case VT_UNKNOWN:
        next.value.punkVal = *static_cast<IUnknown**>(target);
        break;
      case VT_ERROR:
        next.value.scode = *static_cast<SCODE*>(target);
        break;
      default:
        return TypeMismatchView();
    }
    view = next;
  }
  return view;
}

HRESULT CoerceToLong(const VARIANT& value, LONG* out) {
  Number number;
  HRESULT hr = NumberOf(value, &number);
  if (FAILED(hr)) return hr;
  constexpr int64_t kMin = std::numeric_limits<LONG>::min();
  constexpr int64_t kMax = std::numeric_limits<LONG>::max();
  switch (number.kind) {
    case Number::Kind::kSigned:
      if (number.signed_value < kMin || number.signed_value > kMax) return DISP_E_OVERFLOW;
      *out = static_cast<LONG>(number.signed_value);
      return S_OK;
    case Number::Kind::kUnsigned:
      if (number.unsigned_value > static_cast<uint64_t>(kMax)) return DISP_E_OVERFLOW;
      *out = static_cast<LONG>(number.unsigned_value);
      return S_OK;
    case Number::Kind::kFloating:
      break;
  }
  // Round half to even (the default rounding mode), then check the range.
  double rounded = std::nearbyint(number.floating_value);
  if (!(rounded >= static_cast<double>(kMin) && rounded <= static_cast<double>(kMax))) {
    return DISP_E_OVERFLOW;
  }
  *out = static_cast<LONG>(rounded);
  return S_OK;
}

HRESULT CoerceToBool(const VARIANT& value, VARIANT_BOOL* out) {
  if (value.vt == VT_BSTR) {
    std::string text = BstrText(value.value.bstrVal);
    std::string_view trimmed = TrimBlanks(text);
    if (EqualsIgnoreAsciiCase(trimmed, "true")) {
      *out = VARIANT_TRUE;
      return S_OK;
    }
    if (EqualsIgnoreAsciiCase(trimmed, "false")) {
      *out = VARIANT_FALSE;
      return S_OK;
    }
  }
  Number number;
  HRESULT hr = NumberOf(value, &number);
  if (FAILED(hr)) return hr;
  *out = number.IsZero() ? VARIANT_FALSE : VARIANT_TRUE;
  return S_OK;
}

HRESULT CoerceToDate(const VARIANT& value, DATE* out) {
  double date = 0.0;
  if (value.vt == VT_BSTR) {
    if (!ParseDateText(BstrText(value.value.bstrVal).c_str(), &date)) return DISP_E_TYPEMISMATCH;
  } else {
    Number number;
    HRESULT hr = NumberOf(value, &number);
    if (FAILED(hr)) return hr;
    date = number.AsDouble();
  }
  if (!(date >= kMinDate && date <= kMaxDate)) return DISP_E_OVERFLOW;
  *out = date;
  return S_OK;
}

HRESULT CoerceToBstr(const VARIANT& value, BSTR* out) {
  switch (value.vt) {
    case VT_EMPTY:
      return MakeBstr("", out);
    case VT_BSTR: {
      BSTR copy = SysAllocStringLen(value.value.bstrVal, SysStringLen(value.value.bstrVal));
      if (copy == nullptr) return E_OUTOFMEMORY;
      *out = copy;
      return S_OK;
    }
    case VT_R4:
      return MakeBstr(FloatingText(value.value.fltVal, 7), out);
    case VT_R8:
      return MakeBstr(FloatingText(value.value.dblVal, 15), out);
    case VT_CY:
      return MakeBstr(CurrencyText(value.value.cyVal.int64), out);
    case VT_DATE: {
      char text[32];
      FormatDateText(value.value.date, text);
      return MakeBstr(text, out);
    }
    case VT_UI8:
      return MakeBstr(std::to_string(value.value.ullVal), out);
    default:
      break;
  }
  Number number;
  HRESULT hr = NumberOf(value, &number);
  if (FAILED(hr)) return hr;
  // The remaining types (integers and bool) are exact signed numbers; a bool
  // reads as its numeric value, -1 or 0.
  return MakeBstr(std::to_string(number.signed_value), out);
}

HRESULT CoerceToInterface(const VARIANT& value, REFIID iid, void** out) {
  *out = nullptr;
  if (value.vt == VT_EMPTY) return S_OK;
  if (value.vt != VT_DISPATCH && value.vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
  IUnknown* object = value.value.punkVal;
  if (object == nullptr) return S_OK;
  if (FAILED(object->QueryInterface(iid, out)) || *out == nullptr) {
    *out = nullptr;
    return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

bool ParseDateText(const char* text, DATE* date) {
  std::string_view rest = TrimBlanks(text);
  Number number;
  if (ParseNumberText(rest, &number)) {
    *date = number.AsDouble();
    return true;
  }
  int64_t seconds = 0;
  size_t at = 0;
  if (rest.size() >= 3 && rest[2] == ':') {
    if (!ReadTime(rest, &at, &seconds)) return false;
    *date = MakeDate(0, seconds);
    return true;
  }
  int year = 0, month = 0, day = 0;
  if (!ReadFixedDigits(rest, &at, 4, &year) || !ReadSeparator(rest, &at, '-') ||
      !ReadFixedDigits(rest, &at, 2, &month) || !ReadSeparator(rest, &at, '-') ||
      !ReadFixedDigits(rest, &at, 2, &day)) {
    return false;
  }
  if (year < 100 || month < 1 || month > 12 || day < 1) return false;
  if (day > DaysInMonth(year, month)) return false;  // 31 April and the like
  const int64_t unix_days = DaysFromCivil(year, month, day);
  if (at < rest.size()) {
    if (rest[at] != ' ' && rest[at] != 'T') return false;
    ++at;
    if (!ReadTime(rest, &at, &seconds)) return false;
  }
  *date = MakeDate(unix_days + kUnixEpochOleDays, seconds);
  return true;
}

void FormatDateText(DATE date, char (&buffer)[32]) {
  if (!std::isfinite(date) || date < kMinDate || date > kMaxDate) {
    std::snprintf(buffer, sizeof(buffer), "%s", FloatingText(date, 15).c_str());
    return;
  }
  // The integer part (toward zero) is the day, the fraction's magnitude the
  // time of day.
  double whole = std::trunc(date);
  int64_t day = static_cast<int64_t>(whole);
  int64_t seconds = std::llround(std::fabs(date - whole) * kSecondsPerDay);
  if (seconds >= kSecondsPerDay) {
    seconds -= kSecondsPerDay;
    ++day;  // 24:00 is the next calendar day, before or after the epoch
  }
  const CivilDate civil = CivilFromDays(day - kUnixEpochOleDays);
  // Already 100-9999, 1-12 and 1-31 (the date was range-checked); the
  // modulos only tell the compiler so, for the width of the text below.
  const int year = static_cast<int>(civil.year % 10000);
  const unsigned month = static_cast<unsigned>(civil.month) % 13u;
  const unsigned day_of_month = static_cast<unsigned>(civil.day) % 32u;
  const unsigned hour = static_cast<unsigned>(seconds / 3600);
  const unsigned minute = static_cast<unsigned>(seconds / 60 % 60);
  const unsigned second = static_cast<unsigned>(seconds % 60);
  if (day == 0 && seconds != 0) {
    std::snprintf(buffer, sizeof(buffer), "%02u:%02u:%02u", hour, minute, second);
  } else if (seconds == 0) {
    std::snprintf(buffer, sizeof(buffer), "%04d-%02u-%02u", year, month, day_of_month);
  } else {
    std::snprintf(buffer, sizeof(buffer), "%04d-%02u-%02u %02u:%02u:%02u", year, month,
                  day_of_month, hour, minute, second);
  }
}

}  // namespace qorv::platform
