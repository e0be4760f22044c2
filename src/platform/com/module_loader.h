// Loading module files (shared libraries) and finding their entry points.
#ifndef QORV_PLATFORM_COM_MODULE_LOADER_H_
#define QORV_PLATFORM_COM_MODULE_LOADER_H_

#include <string>

namespace qorv::platform {

using ModuleHandle = void*;

// Loads the module file at `path` (resolving all its symbols now); null on
// failure. A path without "/" names a file in the current folder, not one
// found on the library search path.
ModuleHandle LoadModuleFile(const std::string& path);
// The same, with the loader's reason for a failure in *failure ("...: cannot
// open shared object file: No such file or directory").
ModuleHandle LoadModuleFile(const std::string& path, std::string* failure);

// The address of the exported symbol `name`, or null.
void* FindModuleSymbol(ModuleHandle module, const char* name);

void UnloadModuleFile(ModuleHandle module);

// The absolute path of the module file that contains `address` (code or data
// of a loaded module); empty when it cannot be found.
std::string PathOfModuleContaining(const void* address);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COM_MODULE_LOADER_H_
