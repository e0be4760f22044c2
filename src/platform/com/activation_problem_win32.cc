#include "platform/com/activation_problem.h"
#include "platform/com/module_loader.h"
#include "platform/com/registry.h"
#include "platform/com/system_registry.h"
#include "platform/com/text_convert.h"

namespace qorv::platform {

// The system registry is always there to read.
std::string RegistryFileProblem(const std::string& /*path*/) { return std::string(); }

std::string RegisteredModuleOf(REFCLSID clsid) {
  OLECHAR text[40];
  if (StringFromGUID2(clsid, text, 40) == 0) return std::string();
  const std::string key = "CLSID\\" + Utf16ToUtf8(text) + "\\InprocServer32";
  RegistryKey root;
  if (ReadClassesRootKey(key, &root) != 0) return std::string();
  const RegistryKey* server = root.Find(key);
  const std::string* module = server != nullptr ? server->Value("") : nullptr;
  return module != nullptr ? *module : std::string();
}

std::string ModuleLoadProblem(const std::string& path) {
  std::string failure;
  ModuleHandle module = LoadModuleFile(path, &failure);
  if (module == nullptr) return failure;
  UnloadModuleFile(module);
  return std::string();
}

}  // namespace qorv::platform
