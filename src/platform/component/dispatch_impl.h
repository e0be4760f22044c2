// IDispatch for a dual interface, served from the interface's dispatch table
// (dispatch_table.h). No type information is offered: GetTypeInfoCount
// answers 0.
#ifndef QORV_PLATFORM_COMPONENT_DISPATCH_IMPL_H_
#define QORV_PLATFORM_COMPONENT_DISPATCH_IMPL_H_

#include "platform/component/dispatch_table.h"
#include "qorvsdk/comtypes.h"

namespace qorv::platform {

// Base of an object implementing the dual interface `Interface`; use it in
// place of Interface among the ComObject bases. The table is the interface's
// own (DispatchTableFor<Interface>) unless `Target` names another class: an
// object that implements a pure dispatch interface with member functions of
// its own (an event sink of _IQorSDKEvents, say) passes itself as Target and
// declares DispatchTableFor<itself>.
template <class Interface, class Target = Interface>
class DispatchImpl : public Interface {
 public:
  using ExposedInterface = Interface;

  HRESULT GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_INVALIDARG;
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* dispids) override {
    return DispatchGetIDsOfNames(DispatchTableOf<Target>(), riid, names, count, dispids);
  }
  HRESULT Invoke(DISPID dispid, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argument_error) override {
    return DispatchInvoke(DispatchTableOf<Target>(), static_cast<Target*>(this), dispid, riid,
                          flags, params, result, exception, argument_error);
  }

 protected:
  DispatchImpl() = default;
  ~DispatchImpl() = default;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COMPONENT_DISPATCH_IMPL_H_
