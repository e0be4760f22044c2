// On Windows the registry in use is the system's HKEY_CLASSES_ROOT.
#include <cstdlib>

#include "platform/com/registry_file.h"
#include "platform/com/system_registry.h"

namespace qorv::platform {

std::optional<std::string> RegistryFilePath() { return std::string("HKEY_CLASSES_ROOT"); }

HRESULT UpdateRegisteredKeys(const std::vector<std::string>& owned,
                             const std::function<HRESULT(RegistryKey& root)>& edit) {
  try {
    RegistryKey root;
    for (const std::string& key : owned) {
      if (ReadClassesRootKey(key, &root) != 0) return REGDB_E_READREGDB;
    }
    HRESULT hr = edit(root);
    if (FAILED(hr)) return hr;
    for (const std::string& key : owned) {
      if (ReplaceClassesRootKey(key, root) != 0) return REGDB_E_WRITEREGDB;
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

std::optional<std::string> GetEnvVar(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool SetEnvVar(const char* name, const std::string& value) {
  return ::_putenv_s(name, value.c_str()) == 0;
}

// An empty value removes the variable.
bool UnsetEnvVar(const char* name) { return ::_putenv_s(name, "") == 0; }

}  // namespace qorv::platform
