// The class object (IClassFactory) of a class of the module. Each class
// object counts in the module lock count while it lives, so the module
// cannot be unloaded under a caller that still holds one.
#ifndef QORV_PLATFORM_COMPONENT_CLASS_FACTORY_H_
#define QORV_PLATFORM_COMPONENT_CLASS_FACTORY_H_

#include "platform/component/com_object.h"
#include "platform/component/module_lock.h"
#include "qorvsdk/comtypes.h"

namespace qorv::platform {

// Creates objects of T. An outer unknown is refused with
// CLASS_E_NOAGGREGATION unless T declares kAggregatable.
template <class T>
class ClassFactory final : public ComObject<ClassFactory<T>, IClassFactory> {
 public:
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr && !IsAggregatable<T>()) return CLASS_E_NOAGGREGATION;
    return CreateComObject<T>(outer, riid, object);
  }

  HRESULT LockServer(BOOL lock) override {
    if (lock) {
      LockModule();
    } else {
      UnlockModule();
    }
    return S_OK;
  }
};

// A new class object for T, as DllGetClassObject hands it out.
template <class T>
HRESULT GetClassFactory(REFIID riid, void** object) {
  return CreateComObject<ClassFactory<T>>(nullptr, riid, object);
}

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COMPONENT_CLASS_FACTORY_H_
