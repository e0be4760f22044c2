// Keeping C++ exceptions inside exported functions and interface methods.
//
// A caller of the component may be written in C or any other language, so
// nothing thrown may leave a function it calls. Every exported function and
// every interface method whose body can allocate (text conversions, strings,
// lists) runs that body, argument conversions included, through
// GuardBoundary.
#ifndef QORV_PLATFORM_COM_BOUNDARY_GUARD_H_
#define QORV_PLATFORM_COM_BOUNDARY_GUARD_H_

#include <new>

#include "qorvsdk/comtypes.h"

namespace qorv {

// Runs `body`, which returns an HRESULT. Running out of memory becomes
// E_OUTOFMEMORY; anything else thrown becomes E_UNEXPECTED.
template <class Body>
HRESULT GuardBoundary(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace qorv

#endif  // QORV_PLATFORM_COM_BOUNDARY_GUARD_H_
