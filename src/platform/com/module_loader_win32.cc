#include "platform/com/module_loader.h"
#include "platform/com/win32_api.h"

namespace qorv::platform {
namespace {

std::string LoaderFailure(DWORD error) {
  std::string text = SystemErrorText(error);
  return text.empty() ? "the loader gives no reason" : text;
}

}  // namespace

ModuleHandle LoadModuleFile(const std::string& path) { return LoadModuleFile(path, nullptr); }

ModuleHandle LoadModuleFile(const std::string& path, std::string* failure) {
  // A bare name is a file in the current folder, never one on the search path.
  std::string file = path.find_first_of("/\\") == std::string::npos ? ".\\" + path : path;
  HMODULE module = ::LoadLibraryExW(WideText(file).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr && failure != nullptr) *failure = LoaderFailure(::GetLastError());
  return reinterpret_cast<ModuleHandle>(module);
}

void* FindModuleSymbol(ModuleHandle module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

void UnloadModuleFile(ModuleHandle module) {
  if (module != nullptr) ::FreeLibrary(static_cast<HMODULE>(module));
}

std::string PathOfModuleContaining(const void* address) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module)) {
    return std::string();
  }
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) {
      path.resize(length);
      return Utf8Text(path);
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace qorv::platform
