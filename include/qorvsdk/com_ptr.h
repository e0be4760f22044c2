// An owning interface pointer: holds one reference to a COM-compatible
// interface and releases it at the end of its scope. Header-only; needs
// nothing from the module.
//
//   qorvsdk::ComPtr<IQORVSDK> sdk;
//   HRESULT hr = QorvCoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
//                                     IID_IQORVSDK, sdk.ReceiveVoid());
#ifndef QORVSDK_COM_PTR_H_
#define QORVSDK_COM_PTR_H_

#include <utility>

#include "qorvsdk/comtypes.h"

namespace qorvsdk {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes a new reference of its own (AddRef); the caller keeps its one.
  explicit ComPtr(T* pointer) : pointer_(pointer) {
    if (pointer_ != nullptr) pointer_->AddRef();
  }
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr& other) : ComPtr(other.pointer_) {}
  ComPtr& operator=(const ComPtr& other) {
    // AddRef before Release, so that assigning a pointer to itself (or to
    // one whose object only it keeps alive) never frees the object.
    T* incoming = other.pointer_;
    if (incoming != nullptr) incoming->AddRef();
    Reset();
    pointer_ = incoming;
    return *this;
  }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }

  // Adopts a reference the caller owns (no AddRef); drops the old one.
  static ComPtr Attach(T* pointer) {
    ComPtr adopted;
    adopted.pointer_ = pointer;
    return adopted;
  }
  // Hands the reference to the caller, who must Release it; leaves this empty.
  T* Detach() { return std::exchange(pointer_, nullptr); }

  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // The place an out-parameter writes a new reference into; drops the old one.
  T** Receive() {
    Reset();
    return &pointer_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

  // Releases the reference now; leaves this empty.
  void Reset() {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }

  // QueryInterface for another interface of the same object; `*out` is empty
  // on failure (E_POINTER when this holds nothing).
  template <class U>
  HRESULT As(REFIID iid, ComPtr<U>* out) const {
    if (pointer_ == nullptr) {
      out->Reset();
      return E_POINTER;
    }
    return pointer_->QueryInterface(iid, out->ReceiveVoid());
  }

 private:
  T* pointer_ = nullptr;
};

}  // namespace qorvsdk

#endif  // QORVSDK_COM_PTR_H_
