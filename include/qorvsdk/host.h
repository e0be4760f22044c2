// Integration with a host program's own event loop.
//
// While an SDK method waits for the server, the calling thread keeps
// delivering the SDK's events and its own queued notifications. A host whose
// thread runs another event loop (a GUI toolkit, an asynchronous I/O loop)
// registers a callback that those waits call at least every interval_ms, so
// the host can process its own events meanwhile. The callback belongs to the
// calling thread; a null callback removes it. Exported by libqorvsdk.so.
#ifndef QORVSDK_HOST_H_
#define QORVSDK_HOST_H_

#include "qorvsdk/comtypes.h"

typedef void (*QorvWaitCallback)(void* context);

QORV_EXTERN_C QORV_EXPORT void QorvSetWaitCallback(QorvWaitCallback callback, void* context,
                                                   uint32_t interval_ms);

#endif  // QORVSDK_HOST_H_
