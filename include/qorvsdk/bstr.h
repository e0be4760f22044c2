// An owning BSTR: freed with SysFreeString at the end of its scope. Made
// from UTF-8 text for an in-parameter, or empty for an out-parameter
// (Receive()). Header-only over the module's exported SysAllocStringLen,
// SysFreeString and SysStringLen.
#ifndef QORVSDK_BSTR_H_
#define QORVSDK_BSTR_H_

#include <string>
#include <string_view>
#include <utility>

#include "qorvsdk/comtypes.h"
#include "qorvsdk/utf.h"

namespace qorvsdk {

class Bstr {
 public:
  Bstr() = default;
  // A new BSTR holding the text (an empty text gives an empty BSTR, not a
  // null one). get() is null only when memory is exhausted.
  explicit Bstr(std::string_view utf8) : Bstr(std::u16string_view(Utf8ToUtf16(utf8))) {}
  explicit Bstr(std::u16string_view text)
      : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(value_); }
  // A copy allocates its own BSTR (a null BSTR copies as null).
  Bstr(const Bstr& other) : value_(other.value_ == nullptr ? nullptr : Copy(other.value_)) {}
  Bstr& operator=(const Bstr& other) {
    if (this != &other) *this = Bstr(other);
    return *this;
  }
  Bstr(Bstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) {
      SysFreeString(value_);
      value_ = std::exchange(other.value_, nullptr);
    }
    return *this;
  }

  // Adopts a BSTR the caller owns; it is freed with this holder.
  static Bstr Attach(BSTR value) {
    Bstr adopted;
    adopted.value_ = value;
    return adopted;
  }
  // Hands the BSTR to the caller, who must SysFreeString it.
  BSTR Detach() { return std::exchange(value_, nullptr); }

  BSTR get() const { return value_; }
  // The place an out-parameter writes a new BSTR into; frees the old one.
  BSTR* Receive() {
    SysFreeString(std::exchange(value_, nullptr));
    return &value_;
  }

  // Characters, not counting the terminator; 0 for a null BSTR.
  UINT Length() const { return value_ == nullptr ? 0 : SysStringLen(value_); }
  std::u16string_view View() const { return std::u16string_view(value_, Length()); }
  std::string Utf8() const { return Utf16ToUtf8(View()); }

 private:
  static BSTR Copy(BSTR value) { return SysAllocStringLen(value, SysStringLen(value)); }

  BSTR value_ = nullptr;
};

}  // namespace qorvsdk

#endif  // QORVSDK_BSTR_H_
