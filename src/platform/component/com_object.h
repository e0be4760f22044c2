// The object base of every COM-compatible object of the module.
//
// ComObject<Derived, Bases...> implements IUnknown once for all the
// interfaces Derived inherits through Bases: QueryInterface answers IUnknown,
// IDispatch (the first base that is a dual interface), the IID of each base's
// exposed interface, and whatever Derived::QueryExtraInterface adds.
// Reference counts are plain single-threaded counts (objects live in one
// apartment). Every object counts once in the module lock count from
// construction to destruction.
//
// Aggregation: an object created with an outer unknown delegates its
// IUnknown methods to the outer object and hands the outer object a separate
// non-delegating IUnknown. Only classes with `static constexpr bool
// kAggregatable = true` accept an outer unknown (see class_factory.h).
//
// Concrete classes are `final` so that Release can delete them through
// Derived without a virtual destructor (which would add vtable slots).
#ifndef QORV_PLATFORM_COMPONENT_COM_OBJECT_H_
#define QORV_PLATFORM_COMPONENT_COM_OBJECT_H_

#include <new>
#include <type_traits>

#include "platform/com/boundary_guard.h"
#include "platform/component/interface_id.h"
#include "platform/component/module_lock.h"
#include "qorvsdk/comtypes.h"

namespace qorv::platform {

// A base may implement an interface for its derived object (DispatchImpl<I>
// implements I); it names that interface as ExposedInterface.
template <class Base>
struct ExposedInterfaceOf {
  using Type = Base;
};
template <class Base>
requires requires { typename Base::ExposedInterface; }
struct ExposedInterfaceOf<Base> {
  using Type = typename Base::ExposedInterface;
};

template <class T>
HRESULT CreateComObject(IUnknown* outer, REFIID riid, void** object);
template <class T>
HRESULT MakeComObject(T** object);

template <class Derived, class First, class... Rest>
class ComObject : public First, public Rest... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (outer_ != nullptr) return outer_->QueryInterface(riid, object);
    return InternalQueryInterface(riid, object);
  }
  ULONG AddRef() override { return outer_ != nullptr ? outer_->AddRef() : InternalAddRef(); }
  ULONG Release() override { return outer_ != nullptr ? outer_->Release() : InternalRelease(); }

  // Second construction step that may fail; the object is destroyed when it
  // does. Derived hides it when it needs one.
  HRESULT FinalConstruct() { return S_OK; }

  // Interfaces beyond the bases' own; Derived hides it to answer more.
  IUnknown* QueryExtraInterface(REFIID) { return nullptr; }

 protected:
  ComObject() : inner_(this) { LockModule(); }
  ~ComObject() { UnlockModule(); }

 private:
  template <class T>
  friend HRESULT CreateComObject(IUnknown* outer, REFIID riid, void** object);
  template <class T>
  friend HRESULT MakeComObject(T** object);

  // The IUnknown an aggregated object gives its outer object: it never
  // delegates, so the outer object controls the inner object's lifetime.
  class InnerUnknown final : public IUnknown {
   public:
    explicit InnerUnknown(ComObject* owner) : owner_(owner) {}
    HRESULT QueryInterface(REFIID riid, void** object) override {
      if (object == nullptr) return E_POINTER;
      if (riid == IID_IUnknown) {
        *object = static_cast<IUnknown*>(this);
        owner_->InternalAddRef();
        return S_OK;
      }
      return owner_->InternalQueryInterface(riid, object);
    }
    ULONG AddRef() override { return owner_->InternalAddRef(); }
    ULONG Release() override { return owner_->InternalRelease(); }

   private:
    ComObject* owner_;
  };

  HRESULT InternalQueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    IUnknown* found = FindInterface(riid);
    if (found == nullptr) found = static_cast<Derived*>(this)->QueryExtraInterface(riid);
    if (found == nullptr) return E_NOINTERFACE;
    // AddRef through the interface found: for an aggregated object that
    // counts on the outer object, as the interface's holder expects.
    found->AddRef();
    *object = found;
    return S_OK;
  }

  ULONG InternalAddRef() { return ++references_; }

  ULONG InternalRelease() {
    ULONG remaining = --references_;
    if (remaining == 0) delete static_cast<Derived*>(this);
    return remaining;
  }

  IUnknown* FindInterface(REFIID riid) {
    using Identity = typename ExposedInterfaceOf<First>::Type;
    if (riid == IID_IUnknown) {
      return static_cast<IUnknown*>(static_cast<Identity*>(static_cast<First*>(this)));
    }
    IUnknown* found = MatchBase<First>(riid);
    ((found = found != nullptr ? found : MatchBase<Rest>(riid)), ...);
    return found;
  }

  template <class Base>
  IUnknown* MatchBase(REFIID riid) {
    using Exposed = typename ExposedInterfaceOf<Base>::Type;
    Exposed* exposed = static_cast<Base*>(this);
    if (riid == IidOf<Exposed>()) return exposed;
    if constexpr (std::is_base_of_v<IDispatch, Exposed>) {
      if (riid == IID_IDispatch) return exposed;
    }
    return nullptr;
  }

  ULONG references_ = 0;
  IUnknown* outer_ = nullptr;
  InnerUnknown inner_;
};

template <class T>
constexpr bool IsAggregatable() {
  if constexpr (requires { T::kAggregatable; }) {
    return T::kAggregatable;
  } else {
    return false;
  }
}

// Creates a T and returns its `riid` interface with one reference; with an
// outer unknown (only for aggregatable classes, and only for IID_IUnknown)
// returns the non-delegating IUnknown. E_OUTOFMEMORY when memory is
// exhausted, FinalConstruct's error when that fails.
template <class T>
HRESULT CreateComObject(IUnknown* outer, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr && (!IsAggregatable<T>() || riid != IID_IUnknown)) {
    return CLASS_E_NOAGGREGATION;
  }
  T* instance = nullptr;
  try {
    instance = new T();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  instance->outer_ = outer;
  instance->InternalAddRef();  // held during construction
  HRESULT hr = GuardBoundary([instance] { return instance->FinalConstruct(); });
  if (SUCCEEDED(hr)) {
    hr = outer != nullptr ? instance->inner_.QueryInterface(IID_IUnknown, object)
                          : instance->InternalQueryInterface(riid, object);
  }
  instance->InternalRelease();
  return hr;
}

// Creates a T for the module's own C++ code (filling a collection, for
// example) and returns it with one reference; release it with Release().
template <class T>
HRESULT MakeComObject(T** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  T* instance = nullptr;
  try {
    instance = new T();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  instance->InternalAddRef();
  HRESULT hr = GuardBoundary([instance] { return instance->FinalConstruct(); });
  if (FAILED(hr)) {
    instance->InternalRelease();
    return hr;
  }
  *object = instance;
  return S_OK;
}

// Releases an interface pointer and clears it.
template <class I>
void ReleaseAndClear(I** pointer) {
  if (*pointer != nullptr) {
    (*pointer)->Release();
    *pointer = nullptr;
  }
}

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COMPONENT_COM_OBJECT_H_
