#include "platform/worker_threads.h"

#include <vector>

#include "platform/apartment.h"
#include "qorvsdk/result_codes.h"

namespace qorv::platform {
namespace {
// Transfer progress is sampled at this interval, not per block.
constexpr uint32_t kProgressIntervalMs = 100;
}  // namespace

int RunOnWorkerThread(std::function<void()> routine, int32_t* status, std::string* description) {
  std::shared_ptr<ThreadHandle> thread = ThreadHandle::Start(std::move(routine));
  if (!thread) {
    *status = kResultSystemError;
    *description = kTextCannotCreateThread;
    return -1;
  }
  ThreadHandle* handles[] = {thread.get()};
  try {
    for (;;) {
      uint32_t wait = MsgWaitForMultipleObjects(handles, false, kInfinite, kWakeOnAllInput);
      if (wait == kWaitObject0) break;
      if (wait == kWaitObject0 + 1) {
        PumpMessages();
        continue;
      }
      // A failed wait: the thread's outcome is unknown.
      thread->Join();
      *status = kResultSystemError;
      *description = kTextThreadTerminated;
      return -1;
    }
  } catch (...) {
    // The routine works on the caller's frames. An exception from the wait
    // (out of memory while pumping) may leave only once the thread has ended,
    // or the routine would go on using what the unwinding destroys.
    thread->Join();
    throw;
  }
  thread->Join();
  if (thread->EndedAbnormally()) {
    *status = kResultSystemError;
    *description = kTextThreadTerminated;
    return -1;
  }
  return 0;
}

int WaitForWorkerThreads(std::span<ThreadHandle* const> handles, bool pump_messages,
                         const std::function<void()>& on_tick) {
  try {
    std::vector<ThreadHandle*> remaining(handles.begin(), handles.end());
    while (!remaining.empty()) {
      uint32_t wait = MsgWaitForMultipleObjects(remaining, false, kProgressIntervalMs,
                                                pump_messages ? kWakeOnAllInput : 0);
      if (wait == kWaitFailed) return 0;
      if (wait == kWaitTimeout) {
        if (on_tick) on_tick();
      } else if (wait == kWaitObject0 + remaining.size()) {
        PumpMessages();
      } else {
        // Drop the finished thread: the last one takes its place.
        size_t index = wait - kWaitObject0;
        remaining[index] = remaining.back();
        remaining.pop_back();
      }
    }
  } catch (...) {
    // The threads work on the caller's frames: an exception from the wait
    // (out of memory while pumping or reporting) leaves only after all ended.
    for (ThreadHandle* handle : handles) handle->Join();
    throw;
  }
  return 1;
}

uint32_t TransferProgressPercent(uint64_t total, uint64_t moved) {
  if (total == 0) return 0;
  uint64_t percent = total <= 100 ? moved * 100 / total : moved / (total / 100);
  return percent > 100 ? 100 : static_cast<uint32_t>(percent);
}

}  // namespace qorv::platform
