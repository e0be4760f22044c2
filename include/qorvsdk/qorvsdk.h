// Everything a caller of the SDK needs: the COM-compatible base types, the
// enumerations, the identities, the interfaces, result codes and activation.
#ifndef QORVSDK_QORVSDK_H_
#define QORVSDK_QORVSDK_H_

#include "qorvsdk/activation.h"
#include "qorvsdk/comtypes.h"
#include "qorvsdk/enums.h"
#include "qorvsdk/guids.h"
#include "qorvsdk/host.h"
#include "qorvsdk/items.h"
#include "qorvsdk/result_codes.h"
#include "qorvsdk/sdk.h"
#include "qorvsdk/transfer_settings.h"

#endif  // QORVSDK_QORVSDK_H_
