// The module's lock count: one for every live object of the module and one
// for every IClassFactory::LockServer(TRUE) not yet undone. DllCanUnloadNow
// answers S_OK only when it is zero. It is the only process-wide mutable
// state of the component runtime; it is atomic because DllCanUnloadNow may be
// asked from any thread.
#ifndef QORV_PLATFORM_COMPONENT_MODULE_LOCK_H_
#define QORV_PLATFORM_COMPONENT_MODULE_LOCK_H_

namespace qorv::platform {

void LockModule();

// Never takes the count below zero, so an unbalanced LockServer(FALSE) cannot
// keep the module loaded for ever.
void UnlockModule();

long ModuleLockCount();

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COMPONENT_MODULE_LOCK_H_
