// The contract every class of the registered module keeps, through the
// system's COM: creation by both ProgIDs, QueryInterface identity, the
// properties through the vtable and IDispatch, and DllCanUnloadNow.
#ifndef QORV_TESTS_WINDOWS_CLASS_CONTRACT_H_
#define QORV_TESTS_WINDOWS_CLASS_CONTRACT_H_

#include <windows.h>

namespace qorv_windows_test {

// The module's DllCanUnloadNow, from the module the registry names (the one
// COM loads, so its lock count is the one the objects hold); null when the
// module or the export cannot be found (a failed check says which).
using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
CanUnloadNow LoadCanUnloadNow();

void CheckClassContracts();

}  // namespace qorv_windows_test

#endif  // QORV_TESTS_WINDOWS_CLASS_CONTRACT_H_
