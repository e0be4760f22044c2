#include "platform/com/system_com.h"
#include "platform/com/text_convert.h"
#include "platform/com/type_library.h"

namespace qorv::platform {
namespace {

// TYPE_E_REGISTRYACCESS and the "not registered" answers of
// UnRegisterTypeLib: nothing to remove.
constexpr HRESULT kTypeLibNotRegistered[] = {static_cast<HRESULT>(0x8002801CL),
                                             static_cast<HRESULT>(0x80029C4AL),
                                             static_cast<HRESULT>(0x8002802BL)};

}  // namespace

HRESULT RegisterModuleTypeLibrary(const std::string& module_path) {
  std::u16string path = Utf8ToUtf16(module_path);
  ITypeLib* library = nullptr;
  HRESULT hr = LoadTypeLibEx(path.c_str(), QORV_REGKIND_NONE, &library);
  if (FAILED(hr) || library == nullptr) return SELFREG_E_TYPELIB;
  hr = RegisterTypeLib(library, path.c_str(), nullptr);
  reinterpret_cast<IUnknown*>(library)->Release();
  return hr;
}

HRESULT UnregisterModuleTypeLibrary(REFGUID libid, WORD major, WORD minor) {
  HRESULT hr = UnRegisterTypeLib(libid, major, minor, 0, QORV_SYS_WIN64);
  for (HRESULT absent : kTypeLibNotRegistered) {
    if (hr == absent) return S_OK;
  }
  return hr;
}

}  // namespace qorv::platform
