// Ctrl-C (SIGINT) and SIGTERM of a command-line program turned into a flag.
//
// The two signals are blocked in the calling thread, and so in every thread
// it starts afterwards (the SDK's workers and transfer threads among them);
// one watcher thread takes them. No thread is ever interrupted inside a
// system call, and the program decides where it looks at the flag. The
// first request sets the flag; a second one, or a first one the program has
// not answered within a grace time, ends the program at once, as the
// signal's default action would, after running the final actions
// registered (InterruptRequests has the rules).
#ifndef QORV_PLATFORM_CONSOLE_INTERRUPT_WATCH_H_
#define QORV_PLATFORM_CONSOLE_INTERRUPT_WATCH_H_

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "platform/com/mutex.h"

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

  // Clean-up that must happen even when the program is ended at once (a
  // temporary folder's removal): runs on the watcher's thread right before
  // it ends the program, unless removed before. Returns its id.
  int AddFinalAction(std::function<void()> action);
  // Once this returns, the action neither runs nor will run.
  void RemoveFinalAction(int id);

 private:
  void Watch();
  [[noreturn]] void EndNow(int signal_number);
  // Ends the process as the signal's default action would (on Windows, with
  // the status a POSIX shell reports for it).
  [[noreturn]] static void EndLikeTheSignal(int signal_number);

  std::atomic<bool> requested_{false};
  std::atomic<int> signal_number_{0};
  std::atomic<bool> stop_{false};
  // Only for Wait's sleep: the flags themselves are atomics.
  Mutex mutex_;
  ConditionVariable changed_;
  Mutex final_mutex_;
  std::map<int, std::function<void()>> final_actions_ QORV_GUARDED_BY(final_mutex_);
  int next_final_id_ QORV_GUARDED_BY(final_mutex_) = 0;
  struct SavedMask;
  std::unique_ptr<SavedMask> saved_mask_;
  std::thread watcher_;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_CONSOLE_INTERRUPT_WATCH_H_
