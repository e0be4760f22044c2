// The classes of the module with their identities and registry entries, and
// the module-level services behind the exported entry points
// (DllGetClassObject, DllCanUnloadNow, DllRegisterServer,
// DllUnregisterServer).
#ifndef QORV_SDK_CLASS_TABLE_H_
#define QORV_SDK_CLASS_TABLE_H_

#include <span>
#include <string>
#include <string_view>

#include "platform/com/registry.h"
#include "qorvsdk/comtypes.h"

namespace qorv::sdk {

struct ClassRegistration {
  CLSID clsid;
  IID iid;                                  // the class's own (default) interface
  const char* prog_id;                      // versioned, "KeltoQorSDK.QORAddFile.1"
  const char* version_independent_prog_id;  // "KeltoQorSDK.QORAddFile"
  const char* description;                  // "QORAddFile Class"
  HRESULT (*get_class_object)(REFIID riid, void** object);
};

// Every creatable class of the module, one row each.
std::span<const ClassRegistration> RegisteredClasses();

// The class object of `clsid`; CLASS_E_CLASSNOTAVAILABLE for a CLSID that is
// not in the table.
HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object);

// S_OK when no object, class object lock or LockServer lock is alive.
HRESULT CanUnloadNow();

// Adds the keys of every class and of the type library to `root`
// (HKEY_CLASSES_ROOT), with `module_path` as the InprocServer32 of each
// class. SELFREG_E_CLASS when a key cannot be made.
HRESULT AddRegistration(platform::RegistryKey& root, std::string_view module_path);

// Removes the ProgID keys and CLSID\{clsid} keys of every class and the type
// library's version key; the CLSID and TypeLib keys themselves stay.
void RemoveRegistration(platform::RegistryKey& root);

// AddRegistration / RemoveRegistration applied to the registry file.
HRESULT RegisterServer(const std::string& module_path);
HRESULT UnregisterServer();

}  // namespace qorv::sdk

#endif  // QORV_SDK_CLASS_TABLE_H_
