// Ctrl-C (SIGINT) and SIGTERM of a command-line program turned into a flag.
//
// The two signals are blocked in the calling thread, and so in every thread
// it starts afterwards (the SDK's workers and transfer threads among them);
// one watcher thread takes them. No thread is ever interrupted inside a
// system call, and the program decides where it looks at the flag. The
// first request sets the flag; a second one ends the program at once, as the
// signal's default action would, for a user whose first Ctrl-C is not
// answered quickly enough.
#ifndef QORV_PLATFORM_CONSOLE_INTERRUPT_WATCH_H_
#define QORV_PLATFORM_CONSOLE_INTERRUPT_WATCH_H_

#include <atomic>
#include <memory>
#include <thread>

#include "platform/mutex.h"

namespace qorv::platform {

// Makes a write to a closed pipe fail (EPIPE) instead of ending the program
// (SIGPIPE), so `qorv ... | head` still runs its clean-up.
void IgnoreBrokenPipes();

class InterruptWatch {
 public:
  // Blocks the signals in the calling thread and starts the watcher. Create
  // it before any other thread starts; one per process at a time.
  InterruptWatch();
  // Stops the watcher and restores the calling thread's signal mask.
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  bool requested() const { return requested_.load(); }
  // The flag itself, for waits that watch it.
  const std::atomic<bool>& flag() const { return requested_; }
  // The signal that set the flag (0 before any).
  int signal_number() const { return signal_number_.load(); }
  // Blocks until the flag is set.
  void Wait();

 private:
  void Watch();

  std::atomic<bool> requested_{false};
  std::atomic<int> signal_number_{0};
  std::atomic<bool> stop_{false};
  // Only for Wait's sleep: the flags themselves are atomics.
  Mutex mutex_;
  ConditionVariable changed_;
  struct SavedMask;
  std::unique_ptr<SavedMask> saved_mask_;
  std::thread watcher_;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_CONSOLE_INTERRUPT_WATCH_H_
