#include <errno.h>
#include <signal.h>
#include <time.h>

#include "platform/console/interrupt_watch.h"

namespace qorv::platform {
namespace {

// How often the watcher looks whether it should stop.
constexpr long kStopPollNs = 100L * 1000 * 1000;

sigset_t InterruptSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

// A second request: the signal's default action, now, from this thread.
[[noreturn]] void EndLikeTheSignal(int signal_number) {
  signal(signal_number, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal_number);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal_number);
  // Not reached: the default action of both signals ends the process.
  _Exit(128 + signal_number);
}

}  // namespace

struct InterruptWatch::SavedMask {
  sigset_t mask;
};

void IgnoreBrokenPipes() { signal(SIGPIPE, SIG_IGN); }

InterruptWatch::InterruptWatch() : saved_mask_(std::make_unique<SavedMask>()) {
  const sigset_t set = InterruptSignals();
  pthread_sigmask(SIG_BLOCK, &set, &saved_mask_->mask);
  watcher_ = std::thread([this] { Watch(); });
}

InterruptWatch::~InterruptWatch() {
  stop_.store(true);
  watcher_.join();
  pthread_sigmask(SIG_SETMASK, &saved_mask_->mask, nullptr);
}

void InterruptWatch::Wait() {
  MutexLock lock(mutex_);
  while (!requested_.load()) changed_.Wait(mutex_);
}

void InterruptWatch::Watch() {
  const sigset_t set = InterruptSignals();
  const timespec interval{0, kStopPollNs};
  while (!stop_.load()) {
    const int signal_number = sigtimedwait(&set, nullptr, &interval);
    if (signal_number < 0) continue;  // time-out or EINTR: look at stop_ again
    if (requested_.load()) EndLikeTheSignal(signal_number);
    {
      MutexLock lock(mutex_);
      signal_number_.store(signal_number);
      requested_.store(true);
    }
    changed_.NotifyAll();
  }
}

}  // namespace qorv::platform
