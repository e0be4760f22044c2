// Conversions between the UTF-16 text of the component boundary (BSTR) and
// the multibyte text used everywhere inside the system (UTF-8 here, the
// platform's "ANSI code page").
#ifndef QORV_PLATFORM_COM_TEXT_CONVERT_H_
#define QORV_PLATFORM_COM_TEXT_CONVERT_H_

#include <string>
#include <string_view>

#include "qorvsdk/comtypes.h"

namespace qorv {

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16. A byte that does not start or continue a valid sequence
// becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// The text of a BSTR as UTF-8; a null BSTR is the empty text.
std::string BstrToUtf8(BSTR text);

// A new BSTR holding the UTF-8 text; an empty text gives an empty BSTR, never
// a null one. Returns null only when memory is exhausted.
BSTR Utf8ToBstr(std::string_view text);

}  // namespace qorv

#endif  // QORV_PLATFORM_COM_TEXT_CONVERT_H_
