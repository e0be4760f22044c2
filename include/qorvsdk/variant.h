// An owning VARIANT: cleared with VariantClear at the end of its scope
// (freeing a BSTR, releasing an interface). Made from a C++ value for an
// in-parameter, or empty for an out-parameter (Receive()); its value read
// back with checked conversions that refuse other types rather than guess.
// Header-only over the module's exported VariantInit, VariantClear and
// VariantCopy.
#ifndef QORVSDK_VARIANT_H_
#define QORVSDK_VARIANT_H_

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "qorvsdk/bstr.h"
#include "qorvsdk/com_ptr.h"
#include "qorvsdk/comtypes.h"

namespace qorvsdk {

class Variant {
 public:
  Variant() { VariantInit(&value_); }
  explicit Variant(LONG number) : Variant() {
    value_.vt = VT_I4;
    value_.value.lVal = number;
  }
  explicit Variant(bool flag) : Variant() {
    value_.vt = VT_BOOL;
    value_.value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
  }
  explicit Variant(double number) : Variant() {
    value_.vt = VT_R8;
    value_.value.dblVal = number;
  }
  // VT_BSTR holding the text.
  explicit Variant(std::string_view utf8) : Variant() {
    value_.vt = VT_BSTR;
    value_.value.bstrVal = Bstr(utf8).Detach();
  }
  // A literal is text too, not the bool its pointer would convert to.
  explicit Variant(const char* utf8) : Variant(std::string_view(utf8)) {}
  // VT_DISPATCH holding a reference of its own (AddRef).
  explicit Variant(IDispatch* object) : Variant() {
    value_.vt = VT_DISPATCH;
    value_.value.pdispVal = object;
    if (object != nullptr) object->AddRef();
  }
  ~Variant() { VariantClear(&value_); }

  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  // Moving hands the value over bit for bit; the source becomes VT_EMPTY.
  Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      VariantClear(&value_);
      value_ = other.value_;
      VariantInit(&other.value_);
    }
    return *this;
  }

  // A deep copy (a new BSTR, an AddRef'd interface) into `*copy`.
  HRESULT CopyTo(Variant* copy) const { return VariantCopy(copy->Receive(), &value_); }

  const VARIANT* get() const { return &value_; }
  // For an in-parameter of type VARIANT* that the callee may change.
  VARIANT* get() { return &value_; }
  VARTYPE type() const { return value_.vt; }
  // The place an out-parameter writes a new value into; clears the old one.
  VARIANT* Receive() {
    VariantClear(&value_);
    return &value_;
  }
  // Hands the value to the caller, who must VariantClear it.
  VARIANT Detach() {
    VARIANT taken = value_;
    VariantInit(&value_);
    return taken;
  }

  bool IsEmpty() const { return value_.vt == VT_EMPTY || value_.vt == VT_NULL; }

  // The value as a 32-bit integer: any integer type whose value fits, and
  // VT_BOOL as -1 or 0 (as VARIANT_BOOL itself is). Nothing for other types
  // (no text parsing, no rounding of floating-point numbers).
  std::optional<LONG> AsLong() const {
    switch (value_.vt) {
      case VT_I1:
        return static_cast<LONG>(static_cast<signed char>(value_.value.cVal));
      case VT_UI1:
        return static_cast<LONG>(value_.value.bVal);
      case VT_I2:
        return static_cast<LONG>(value_.value.iVal);
      case VT_UI2:
        return static_cast<LONG>(value_.value.uiVal);
      case VT_BOOL:
        return static_cast<LONG>(value_.value.boolVal);
      case VT_I4:
      case VT_INT:
        return value_.value.lVal;
      case VT_UI4:
      case VT_UINT:
        return value_.value.ulVal <= static_cast<ULONG>(std::numeric_limits<LONG>::max())
                   ? std::optional<LONG>(static_cast<LONG>(value_.value.ulVal))
                   : std::nullopt;
      case VT_I8:
        return value_.value.llVal >= std::numeric_limits<LONG>::min() &&
                       value_.value.llVal <= std::numeric_limits<LONG>::max()
                   ? std::optional<LONG>(static_cast<LONG>(value_.value.llVal))
                   : std::nullopt;
      case VT_UI8:
        return value_.value.ullVal <= static_cast<ULONGLONG>(std::numeric_limits<LONG>::max())
                   ? std::optional<LONG>(static_cast<LONG>(value_.value.ullVal))
                   : std::nullopt;
      default:
        return std::nullopt;
    }
  }
  // VT_BOOL only: true for any non-zero VARIANT_BOOL.
  std::optional<bool> AsBool() const {
    if (value_.vt != VT_BOOL) return std::nullopt;
    return value_.value.boolVal != VARIANT_FALSE;
  }
  // Floating-point values and dates (days since 1899-12-30) as they are,
  // integers converted.
  std::optional<double> AsDouble() const {
    if (value_.vt == VT_R8 || value_.vt == VT_DATE) return value_.value.dblVal;
    if (value_.vt == VT_R4) return static_cast<double>(value_.value.fltVal);
    if (value_.vt == VT_BOOL) return std::nullopt;
    std::optional<LONG> number = AsLong();
    if (number) return static_cast<double>(*number);
    return std::nullopt;
  }
  // VT_BSTR only (a null BSTR is the empty text).
  std::optional<std::string> AsUtf8() const {
    if (value_.vt != VT_BSTR) return std::nullopt;
    BSTR text = value_.value.bstrVal;
    if (text == nullptr) return std::string();
    return Utf16ToUtf8(std::u16string_view(text, SysStringLen(text)));
  }
  // The object of a VT_DISPATCH or VT_UNKNOWN value asked for interface
  // `iid`: E_NOINTERFACE for other types and for a null object.
  template <class I>
  HRESULT QueryObject(REFIID iid, ComPtr<I>* out) const {
    IUnknown* object = nullptr;
    if (value_.vt == VT_DISPATCH) object = value_.value.pdispVal;
    if (value_.vt == VT_UNKNOWN) object = value_.value.punkVal;
    if (object == nullptr) {
      out->Reset();
      return E_NOINTERFACE;
    }
    return object->QueryInterface(iid, out->ReceiveVoid());
  }

 private:
  VARIANT value_;
};

}  // namespace qorvsdk

#endif  // QORVSDK_VARIANT_H_
