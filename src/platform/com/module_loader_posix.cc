#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include "platform/com/module_loader.h"

namespace qorv::platform {

ModuleHandle LoadModuleFile(const std::string& path) {
  if (path.empty()) return nullptr;
  // dlopen searches the library path for a bare name; a module is a file.
  std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  return ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindModuleSymbol(ModuleHandle module, const char* name) {
  if (module == nullptr) return nullptr;
  return ::dlsym(module, name);
}

void UnloadModuleFile(ModuleHandle module) {
  if (module != nullptr) ::dlclose(module);
}

std::string PathOfModuleContaining(const void* address) {
  Dl_info info;
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return std::string();
  char resolved[PATH_MAX];
  if (::realpath(info.dli_fname, resolved) == nullptr) return std::string();
  return resolved;
}

}  // namespace qorv::platform
