// ISupportErrorInfo for an object that reports error-information support for
// its own interface only.
#ifndef QORV_PLATFORM_COMPONENT_SUPPORT_ERROR_INFO_H_
#define QORV_PLATFORM_COMPONENT_SUPPORT_ERROR_INFO_H_

#include "platform/component/interface_id.h"
#include "qorvsdk/comtypes.h"

namespace qorv::platform {

template <class Interface>
class SupportErrorInfoFor : public ISupportErrorInfo {
 public:
  using ExposedInterface = ISupportErrorInfo;

  HRESULT InterfaceSupportsErrorInfo(REFIID riid) override {
    return riid == IidOf<Interface>() ? S_OK : S_FALSE;
  }

 protected:
  SupportErrorInfoFor() = default;
  ~SupportErrorInfoFor() = default;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COMPONENT_SUPPORT_ERROR_INFO_H_
