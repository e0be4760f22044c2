// The IID of an interface type, for code that is generic over interfaces
// (QueryInterface of the object base, coercion of interface arguments).
// Each interface declares its IID once with QORV_INTERFACE_ID.
#ifndef QORV_PLATFORM_COMPONENT_INTERFACE_ID_H_
#define QORV_PLATFORM_COMPONENT_INTERFACE_ID_H_

#include "qorvsdk/comtypes.h"

namespace qorv::platform {

// Specialised for every interface; the primary template is left undefined so
// that a missing declaration fails to compile.
template <class Interface>
struct InterfaceId;

template <class Interface>
constexpr const IID& IidOf() {
  return InterfaceId<Interface>::kValue;
}

}  // namespace qorv::platform

// Declares the IID of an interface; use at global scope.
#define QORV_INTERFACE_ID(Interface, iid)         \
  template <>                                     \
  struct qorv::platform::InterfaceId<Interface> { \
    static constexpr const IID& kValue = iid;     \
  }

QORV_INTERFACE_ID(IUnknown, IID_IUnknown);
QORV_INTERFACE_ID(IDispatch, IID_IDispatch);
QORV_INTERFACE_ID(IClassFactory, IID_IClassFactory);
QORV_INTERFACE_ID(IEnumVARIANT, IID_IEnumVARIANT);
QORV_INTERFACE_ID(ISupportErrorInfo, IID_ISupportErrorInfo);
QORV_INTERFACE_ID(IConnectionPointContainer, IID_IConnectionPointContainer);
QORV_INTERFACE_ID(IConnectionPoint, IID_IConnectionPoint);
QORV_INTERFACE_ID(IEnumConnections, IID_IEnumConnections);
QORV_INTERFACE_ID(IEnumConnectionPoints, IID_IEnumConnectionPoints);

#endif  // QORV_PLATFORM_COMPONENT_INTERFACE_ID_H_
