#include "platform/com/activation_problem.h"

#include "platform/com/module_loader.h"
#include "platform/com/registry_file.h"
#include "platform/com/text_convert.h"

namespace qorv::platform {

std::string RegistryFileProblem(const std::string& path) {
  RegistryKey root;
  std::string problem;
  if (SUCCEEDED(ReadRegistryFile(path, &root, &problem))) return std::string();
  return problem.empty() ? "it cannot be read" : problem;
}

std::string RegisteredModuleOf(REFCLSID clsid) {
  RegistryKey root;
  if (FAILED(ReadActiveRegistry(&root))) return std::string();
  OLECHAR text[40];
  StringFromGUID2(clsid, text, 40);
  const RegistryKey* server = root.Find("CLSID\\" + Utf16ToUtf8(text) + "\\InprocServer32");
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
