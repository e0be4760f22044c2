// Running server exchanges on worker threads while the caller's thread keeps
// pumping its messages, so that notifications from the workers reach the
// caller's windows and its user interface stays alive.
#ifndef QORV_PLATFORM_WORKER_THREADS_H_
#define QORV_PLATFORM_WORKER_THREADS_H_

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "platform/thread.h"

namespace qorv::platform {

// The worker-thread runner. Runs `routine` on a new thread and waits for it
// with a message-pumping wait (no time-out). Returns 0 when the thread ran to
// its end. Returns -1 and writes 12008 with "System error. Can not create a
// thread." or "System error. A thread terminated abnormally." into *status and
// *description when the thread could not be created or did not end normally;
// on success it writes neither.
int RunOnWorkerThread(std::function<void()> routine, int32_t* status, std::string* description);

// The multi-worker wait (at most 20 transfer threads). Waits until every
// handle is signalled: every 100 ms without a change it calls `on_tick` (the
// caller reports transfer progress there); messages are pumped when
// `pump_messages` is set. Returns 1 when all threads ended (at once for no
// handles), 0 when the wait failed.
int WaitForWorkerThreads(std::span<ThreadHandle* const> handles, bool pump_messages,
                         const std::function<void()>& on_tick);

// Percent of a transfer done from the total byte count and the bytes moved so
// far: moved x 100 / total when total <= 100, else moved / (total / 100), in
// unsigned integer arithmetic, at most 100. 0 when the total is 0.
uint32_t TransferProgressPercent(uint64_t total, uint64_t moved);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_WORKER_THREADS_H_
