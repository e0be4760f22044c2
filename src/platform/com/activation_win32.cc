// Activation on Windows is the system's: these entry points forward to COM,
// which reads HKEY_CLASSES_ROOT and loads the registered module itself.
#include "platform/com/boundary_guard.h"
#include "platform/com/module_loader.h"
#include "platform/com/system_com.h"
#include "qorvsdk/activation.h"

namespace qorv::platform {
namespace {

using EntryPoint = HRESULT (*)();

HRESULT CallModuleEntry(const char* module_path, const char* export_name) {
  if (module_path == nullptr) return E_INVALIDARG;
  ModuleHandle module = LoadModuleFile(module_path);
  if (module == nullptr) return CO_E_DLLNOTFOUND;
  auto entry = reinterpret_cast<EntryPoint>(FindModuleSymbol(module, export_name));
  HRESULT hr = entry != nullptr ? entry() : CO_E_ERRORINDLL;
  UnloadModuleFile(module);
  return hr;
}

}  // namespace
}  // namespace qorv::platform

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

QORV_EXPORT HRESULT QorvRegisterModule(const char* module_path) {
  return qorv::GuardBoundary(
      [module_path] { return qorv::platform::CallModuleEntry(module_path, "DllRegisterServer"); });
}

QORV_EXPORT HRESULT QorvUnregisterModule(const char* module_path) {
  return qorv::GuardBoundary([module_path] {
    return qorv::platform::CallModuleEntry(module_path, "DllUnregisterServer");
  });
}

}  // extern "C"
