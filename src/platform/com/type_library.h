// Registering the type library a module carries as its resource TYPELIB 1.
//
// On Windows the system's RegisterTypeLib records it (the TypeLib key and
// the Interface keys of its dual and dispatch interfaces, so that the
// system marshals them); elsewhere modules carry no type library and the
// module's own registry keys record the library's identity only, so both
// calls succeed without doing anything.
#ifndef QORV_PLATFORM_COM_TYPE_LIBRARY_H_
#define QORV_PLATFORM_COM_TYPE_LIBRARY_H_

#include <string>

#include "qorvsdk/comtypes.h"

namespace qorv::platform {

// Loads the type library of the module file at `module_path` and registers
// it. SELFREG_E_TYPELIB when it cannot be loaded, else RegisterTypeLib's
// result.
HRESULT RegisterModuleTypeLibrary(const std::string& module_path);

// Removes the registration of the library `libid` at that version. A
// library that is not registered is no failure.
HRESULT UnregisterModuleTypeLibrary(REFGUID libid, WORD major, WORD minor);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COM_TYPE_LIBRARY_H_
