// Why activation through the registry failed, in words, for programs that
// tell their users more than an HRESULT: what is wrong with the registry
// file, which module it names for a class, and why that module does not
// load.
#ifndef QORV_PLATFORM_COM_ACTIVATION_PROBLEM_H_
#define QORV_PLATFORM_COM_ACTIVATION_PROBLEM_H_

#include <string>

#include "qorvsdk/comtypes.h"

namespace qorv::platform {

// Why the registry file at `path` cannot be used: the system's text
// ("Permission denied", "Is a directory") or the parser's ("line 3: ...");
// empty when it reads and parses (a missing file is an empty registry).
std::string RegistryFileProblem(const std::string& path);

// The module file the registry in use names for `clsid` (its
// InprocServer32); empty when it names none or cannot be read.
std::string RegisteredModuleOf(REFCLSID clsid);

// The loader's reason why the module file at `path` cannot be loaded; empty
// when it loads (it is unloaded again at once).
std::string ModuleLoadProblem(const std::string& path);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COM_ACTIVATION_PROBLEM_H_
