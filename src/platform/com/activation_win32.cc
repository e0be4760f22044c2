// Activation on Windows is the system's: these entry points forward to COM,
// which reads HKEY_CLASSES_ROOT and loads the registered module itself.
#include "platform/com/system_com.h"
#include "qorvsdk/activation.h"

extern "C" {

QORV_EXPORT HRESULT QorvCLSIDFromProgID(LPCOLESTR prog_id, CLSID* clsid) {
  if (prog_id == nullptr || clsid == nullptr) return E_INVALIDARG;
  return CLSIDFromProgID(prog_id, clsid);
}

QORV_EXPORT HRESULT QorvCoGetClassObject(REFCLSID clsid, DWORD context, void* reserved, REFIID riid,
                                         void** object) {
  if (object == nullptr) return E_INVALIDARG;
  return CoGetClassObject(clsid, context, reserved, riid, object);
}

QORV_EXPORT HRESULT QorvCoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context,
                                         REFIID riid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  return CoCreateInstance(clsid, outer, context, riid, object);
}

QORV_EXPORT void QorvCoFreeUnusedLibraries(void) { CoFreeUnusedLibraries(); }

}  // extern "C"
