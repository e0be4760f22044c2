// QorvRegisterModule and QorvUnregisterModule, the same on every system:
// load the module file, call its registration entry point, unload it.
#include "platform/com/boundary_guard.h"
#include "platform/com/module_loader.h"
#include "qorvsdk/activation.h"

namespace qorv::platform {
namespace {

constexpr char kRegisterServerExport[] = "DllRegisterServer";
constexpr char kUnregisterServerExport[] = "DllUnregisterServer";

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

QORV_EXPORT HRESULT QorvRegisterModule(const char* module_path) {
  return qorv::GuardBoundary([module_path] {
    return qorv::platform::CallModuleEntry(module_path, qorv::platform::kRegisterServerExport);
  });
}

QORV_EXPORT HRESULT QorvUnregisterModule(const char* module_path) {
  return qorv::GuardBoundary([module_path] {
    return qorv::platform::CallModuleEntry(module_path, qorv::platform::kUnregisterServerExport);
  });
}

}  // extern "C"
