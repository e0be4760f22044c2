// Caller-side activation: creating objects of registered in-process servers
// by CLSID or ProgID, as CoCreateInstance does, through the file-backed
// registry (see docs/registry.md).
//
// The registry file is $QORV_REGISTRY when that variable is set and not
// empty; else the per-user "qorvsdk/registry.reg" under $XDG_CONFIG_HOME
// (default ~/.config) laid over the system-wide /etc/qorvsdk/registry.reg
// ($QORV_SYSTEM_REGISTRY), which a package installation writes. A module is
// loaded on first use and stays loaded until QorvCoFreeUnusedLibraries finds
// that it can be unloaded.
#ifndef QORVSDK_ACTIVATION_H_
#define QORVSDK_ACTIVATION_H_

#include "qorvsdk/comtypes.h"

// The CLSID registered for a ProgID (versioned or version-independent).
// CO_E_CLASSSTRING when the ProgID is not registered, REGDB_E_READREGDB when
// the registry file cannot be read.
QORV_EXTERN_C QORV_EXPORT HRESULT QorvCLSIDFromProgID(LPCOLESTR prog_id, CLSID* clsid);

// The class object of a registered class: reads InprocServer32 of the CLSID,
// loads that module and asks its DllGetClassObject. Only CLSCTX_INPROC_SERVER
// is served. REGDB_E_CLASSNOTREG when the class is not registered,
// CO_E_DLLNOTFOUND when the module cannot be loaded, CO_E_ERRORINDLL when it
// lacks DllGetClassObject.
QORV_EXTERN_C QORV_EXPORT HRESULT QorvCoGetClassObject(REFCLSID clsid, DWORD context,
                                                       void* reserved, REFIID riid, void** object);

// Creates one object: the class object's CreateInstance, the class object
// released before returning. *object is null on failure.
QORV_EXTERN_C QORV_EXPORT HRESULT QorvCoCreateInstance(REFCLSID clsid, IUnknown* outer,
                                                       DWORD context, REFIID riid, void** object);

// Unloads every loaded module whose DllCanUnloadNow answers S_OK.
QORV_EXTERN_C QORV_EXPORT void QorvCoFreeUnusedLibraries(void);

// Loads the module file, calls its DllRegisterServer or DllUnregisterServer
// and unloads it again. CO_E_DLLNOTFOUND when it cannot be loaded,
// CO_E_ERRORINDLL when it lacks the entry point; otherwise the entry point's
// result.
QORV_EXTERN_C QORV_EXPORT HRESULT QorvRegisterModule(const char* module_path);
QORV_EXTERN_C QORV_EXPORT HRESULT QorvUnregisterModule(const char* module_path);

#endif  // QORVSDK_ACTIVATION_H_
