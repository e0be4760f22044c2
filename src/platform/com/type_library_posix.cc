#include "platform/com/type_library.h"

namespace qorv::platform {

HRESULT RegisterModuleTypeLibrary(const std::string& /*module_path*/) { return S_OK; }

HRESULT UnregisterModuleTypeLibrary(REFGUID /*libid*/, WORD /*major*/, WORD /*minor*/) {
  return S_OK;
}

}  // namespace qorv::platform
