#include "platform/com/text_convert.h"

#include "qorvsdk/utf.h"

namespace qorv {

std::string Utf16ToUtf8(std::u16string_view text) { return qorvsdk::Utf16ToUtf8(text); }

std::u16string Utf8ToUtf16(std::string_view text) { return qorvsdk::Utf8ToUtf16(text); }

std::string BstrToUtf8(BSTR text) {
  if (text == nullptr) return std::string();
  return Utf16ToUtf8(std::u16string_view(text, SysStringLen(text)));
}

BSTR Utf8ToBstr(std::string_view text) {
  std::u16string wide = Utf8ToUtf16(text);
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace qorv
