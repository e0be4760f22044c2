// The system's uuid library holds the IIDs of the standard interfaces, but
// not IID_NULL, which the system's headers spell as a macro for GUID_NULL.
#include "qorvsdk/comtypes.h"

extern "C" QORV_EXPORT const IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
