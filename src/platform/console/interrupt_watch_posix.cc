#include <errno.h>
#include <signal.h>
#include <time.h>

#include "platform/console/interrupt_requests.h"
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

}  // namespace

struct InterruptWatch::SavedMask {
  sigset_t mask;
};

// The signal's default action, now, from this thread.
void InterruptWatch::EndLikeTheSignal(int signal_number) {
  signal(signal_number, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal_number);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal_number);
  // Not reached: the default action of both signals ends the process.
  _Exit(128 + signal_number);
}

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

void InterruptWatch::Watch() {
  const sigset_t set = InterruptSignals();
  const timespec interval{0, kStopPollNs};
  InterruptRequests requests;
  while (!stop_.load()) {
    const int signal_number = sigtimedwait(&set, nullptr, &interval);
    // A time-out or EINTR: the grace time may be over; look at stop_ again.
    if (signal_number < 0) {
      if (requests.OnTick(InterruptRequests::NowMs()) == InterruptRequests::Action::kEnd) {
        EndNow(requests.first_signal());
      }
      continue;
    }
    const InterruptRequests::Action action =
        requests.OnSignal(signal_number, InterruptRequests::NowMs());
    if (action == InterruptRequests::Action::kEnd) EndNow(signal_number);
    if (action == InterruptRequests::Action::kNone) continue;
    {
      MutexLock lock(mutex_);
      signal_number_.store(signal_number);
      requested_.store(true);
    }
    changed_.NotifyAll();
  }
}

}  // namespace qorv::platform
