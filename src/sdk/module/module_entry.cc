// The entry points of libqorvsdk.so, exported with C linkage as an
// in-process server's are.
#include <string>

#include "platform/apartment.h"
#include "platform/com/boundary_guard.h"
#include "platform/com/module_loader.h"
#include "qorvsdk/comtypes.h"
#include "qorvsdk/host.h"
#include "sdk/class_table.h"

extern "C" {

QORV_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return qorv::GuardBoundary([&] { return qorv::sdk::GetClassObject(clsid, riid, object); });
}

QORV_EXPORT HRESULT DllCanUnloadNow(void) { return qorv::sdk::CanUnloadNow(); }

// Registers every class with this module file (found from the address of this
// function) as its InprocServer32.
QORV_EXPORT HRESULT DllRegisterServer(void) {
  return qorv::GuardBoundary([] {
    std::string path =
        qorv::platform::PathOfModuleContaining(reinterpret_cast<const void*>(&DllRegisterServer));
    return qorv::sdk::RegisterServer(path);
  });
}

QORV_EXPORT HRESULT DllUnregisterServer(void) {
  return qorv::GuardBoundary([] { return qorv::sdk::UnregisterServer(); });
}

QORV_EXPORT void QorvSetWaitCallback(QorvWaitCallback callback, void* context,
                                     uint32_t interval_ms) {
  qorv::platform::SetWaitCallback(callback, context, interval_ms);
}

}  // extern "C"
