// The system's COM and OLE Automation functions on Windows, declared with the
// base types of qorvsdk/comtypes.h: they have the system's binary layout, so
// these declarations bind to ole32 and oleaut32 exactly as the system's
// headers would, without those headers (whose types have other C++ names).
// Only *_win32.cc files use them.
#ifndef QORV_PLATFORM_COM_SYSTEM_COM_H_
#define QORV_PLATFORM_COM_SYSTEM_COM_H_

#include "qorvsdk/comtypes.h"

struct ITypeLib;

#define QORV_REGKIND_REGISTER 1
#define QORV_REGKIND_NONE 2
#define QORV_SYS_WIN64 3

extern "C" {
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* server_info, REFIID riid,
                         void** object);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                         void** object);
HRESULT CLSIDFromProgID(LPCOLESTR prog_id, CLSID* clsid);
void CoFreeUnusedLibraries(void);
HRESULT LoadTypeLibEx(LPCOLESTR file, int kind, ITypeLib** library);
HRESULT RegisterTypeLib(ITypeLib* library, LPCOLESTR full_path, LPCOLESTR help_folder);
HRESULT UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, int syskind);
}

#endif  // QORV_PLATFORM_COM_SYSTEM_COM_H_
