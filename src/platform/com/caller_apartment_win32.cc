#include "platform/com/caller_apartment.h"

#include "platform/com/win32_api.h"
// objbase.h needs the types of windows.h first.
#include <objbase.h>

namespace qorv::platform {

CallerApartment::CallerApartment() {
  // S_FALSE: the thread was already in such an apartment; it still takes a
  // matching CoUninitialize. RPC_E_CHANGED_MODE (a multithreaded one) does
  // not, and the thread stays as it was.
  const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  entered_ = SUCCEEDED(hr);
}

CallerApartment::~CallerApartment() {
  if (entered_) ::CoUninitialize();
}

}  // namespace qorv::platform
