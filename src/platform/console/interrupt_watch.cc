#include "platform/console/interrupt_watch.h"

namespace qorv::platform {

// The members both systems share; the watcher and the ending are each
// system's own (interrupt_watch_posix.cc, interrupt_watch_win32.cc).

void InterruptWatch::Wait() {
  MutexLock lock(mutex_);
  while (!requested_.load()) changed_.Wait(mutex_);
}

int InterruptWatch::AddFinalAction(std::function<void()> action) {
  MutexLock lock(final_mutex_);
  final_actions_.emplace(++next_final_id_, std::move(action));
  return next_final_id_;
}

void InterruptWatch::RemoveFinalAction(int id) {
  MutexLock lock(final_mutex_);
  final_actions_.erase(id);
}

void InterruptWatch::EndNow(int signal_number) {
  // The lock stays held: no action is removed (or its owner gone) while the
  // actions run, and the program ends before anyone else takes it.
  final_mutex_.Lock();
  for (auto& [id, action] : final_actions_) action();
  EndLikeTheSignal(signal_number);
}

}  // namespace qorv::platform
