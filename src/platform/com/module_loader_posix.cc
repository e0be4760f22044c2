#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include "platform/com/module_loader.h"

namespace qorv::platform {

ModuleHandle LoadModuleFile(const std::string& path) { return LoadModuleFile(path, nullptr); }

ModuleHandle LoadModuleFile(const std::string& path, std::string* failure) {
  if (path.empty()) {
    if (failure != nullptr) *failure = "no module file named";
    return nullptr;
  }
  // dlopen searches the library path for a bare name; a module is a file.
  std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  ModuleHandle module = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr && failure != nullptr) {
    const char* text = ::dlerror();
    *failure = text != nullptr ? text : "the loader gives no reason";
  }
  return module;
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
