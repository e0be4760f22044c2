// Instantiates the IQORVSDK dispatch table here once, so that a signature the
// argument conversions cannot serve fails the build of this library rather
// than that of the SDK object.
#include "sdk/sdk_dispatch_table.h"

namespace qorv::sdk {

platform::DispatchTable SdkDispatchTable() { return platform::DispatchTableOf<IQORVSDK>(); }

}  // namespace qorv::sdk
