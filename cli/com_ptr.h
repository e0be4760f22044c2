// Owning pointers for the COM-compatible objects and texts the client gets
// from the SDK: an interface pointer released at the end of its scope, and a
// BSTR freed at the end of its scope.
#ifndef QORV_CLI_COM_PTR_H_
#define QORV_CLI_COM_PTR_H_

#include <string>
#include <string_view>
#include <utility>

#include "platform/com/text_convert.h"
#include "qorvsdk/comtypes.h"

namespace qorv::cli {

// Holds one reference to an interface.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }

  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // The place an out-parameter writes a new reference into; drops the old one.
  T** Receive() {
    Reset();
    return &pointer_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

  void Reset() {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }

 private:
  T* pointer_ = nullptr;
};

// Holds one BSTR. Constructed from UTF-8 text for an in-parameter, or empty
// for an out-parameter (Receive()).
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::string_view utf8) : value_(Utf8ToBstr(utf8)) {}
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR get() const { return value_; }
  BSTR* Receive() {
    SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }
  std::string Utf8() const { return BstrToUtf8(value_); }

 private:
  BSTR value_ = nullptr;
};

}  // namespace qorv::cli

#endif  // QORV_CLI_COM_PTR_H_
