
#include "platform/com/win32_api.h"
#include "platform/console/interrupt_requests.h"
#include "platform/console/interrupt_watch.h"

namespace qorv::platform {
namespace {

// The numbers of the POSIX signals the console's events stand for, so that
// callers (signal_number(), the exit status) see the same on both systems.
constexpr int kInterruptSignal = 2;   // SIGINT: Ctrl-C, Ctrl-Break
constexpr int kTerminateSignal = 15;  // SIGTERM: the console closed, logoff, shutdown

// How often the watcher looks whether it should stop or the grace time is over.
constexpr auto kTick = std::chrono::milliseconds(100);

int SignalOf(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      return kInterruptSignal;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      return kTerminateSignal;
    default:
      return 0;
  }
}

}  // namespace

// The Windows side's state: the console's handler is a plain function the
// system calls on a thread of its own without any context, so the one watch
// of the process is found through a pointer of this file (the counterpart of
// the process-wide signal disposition on POSIX).
struct InterruptWatch::SavedMask {
  Mutex mutex;
  InterruptRequests requests QORV_GUARDED_BY(mutex);

  static Mutex& CurrentMutex() {
    static Mutex mutex;
    return mutex;
  }
  static InterruptWatch*& Current() {
    static InterruptWatch* current = nullptr;
    return current;
  }

  // A request of `signal_number` for `watch`, by the rules of InterruptRequests.
  static void Take(InterruptWatch* watch, int signal_number) {
    InterruptRequests::Action action;
    {
      MutexLock lock(watch->saved_mask_->mutex);
      action = watch->saved_mask_->requests.OnSignal(signal_number, InterruptRequests::NowMs());
    }
    if (action == InterruptRequests::Action::kEnd) watch->EndNow(signal_number);
    if (action == InterruptRequests::Action::kNone) return;
    {
      MutexLock lock(watch->mutex_);
      watch->signal_number_.store(signal_number);
      watch->requested_.store(true);
    }
    watch->changed_.NotifyAll();
  }

  static BOOL WINAPI OnConsoleEvent(DWORD event) {
    const int signal_number = SignalOf(event);
    if (signal_number == 0) return FALSE;
    {
      MutexLock lock(CurrentMutex());
      // Gone already: the next handler (at last the system's, which ends the
      // process) takes the event.
      if (Current() == nullptr) return FALSE;
      Take(Current(), signal_number);
    }
    // The system ends the process as soon as the handler of a close, logoff
    // or shutdown returns, whatever it returns. Waiting here leaves the
    // program its time to end on its own, and the watcher its grace time;
    // the system's own limit (5 s for a close) comes after both.
    if (signal_number == kTerminateSignal) ::Sleep(INFINITE);
    return TRUE;
  }
};

// Windows has no SIGPIPE: a write to a pipe whose reader has gone fails with
// ERROR_NO_DATA and the program goes on, which is what this asks for on POSIX.
void IgnoreBrokenPipes() {}

InterruptWatch::InterruptWatch() : saved_mask_(std::make_unique<SavedMask>()) {
  {
    MutexLock lock(SavedMask::CurrentMutex());
    SavedMask::Current() = this;
  }
  ::SetConsoleCtrlHandler(&SavedMask::OnConsoleEvent, TRUE);
  watcher_ = std::thread([this] { Watch(); });
}

InterruptWatch::~InterruptWatch() {
  ::SetConsoleCtrlHandler(&SavedMask::OnConsoleEvent, FALSE);
  {
    // Once this is taken, no handler call is using this watch.
    MutexLock lock(SavedMask::CurrentMutex());
    SavedMask::Current() = nullptr;
  }
  stop_.store(true);
  watcher_.join();
}

void InterruptWatch::EndLikeTheSignal(int signal_number) {
  // The status a POSIX shell reports for a program the signal ended.
  ::ExitProcess(static_cast<UINT>(128 + signal_number));
}

// The requests themselves come to the console handler; the watcher only ends
// the program when the first one has gone unanswered for the grace time.
void InterruptWatch::Watch() {
  while (!stop_.load()) {
    std::this_thread::sleep_for(kTick);
    int first_signal = 0;
    {
      MutexLock lock(saved_mask_->mutex);
      if (saved_mask_->requests.OnTick(InterruptRequests::NowMs()) ==
          InterruptRequests::Action::kEnd) {
        first_signal = saved_mask_->requests.first_signal();
      }
    }
    if (first_signal != 0) EndNow(first_signal);
  }
}

}  // namespace qorv::platform
