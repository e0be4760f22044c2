// What a command-line program does with the requests to end it (Ctrl-C,
// SIGTERM), apart from the signals themselves, so the rules can be tested
// with made-up times.
//
// The first request cancels: the program stops what it does and ends on its
// own. A repeat of the same signal within kRepeatWindowMs of the one before
// counts once (`timeout` sends its signal to the program and then to its
// whole process group, so one request can arrive twice). Any other request
// ends the program at once, and so does the first one when the program has
// not ended kGraceMs after it: a wait that looks at no flag (opening a FIFO
// that nobody writes to) must not make SIGTERM useless.
#ifndef QORV_PLATFORM_CONSOLE_INTERRUPT_REQUESTS_H_
#define QORV_PLATFORM_CONSOLE_INTERRUPT_REQUESTS_H_

#include <cstdint>

namespace qorv::platform {

class InterruptRequests {
 public:
  // Milliseconds of a steady clock, the time base of OnSignal and OnTick.
  static int64_t NowMs();

  static constexpr int64_t kRepeatWindowMs = 500;
  static constexpr int64_t kGraceMs = 3000;

  enum class Action {
    kNone,    // nothing to do
    kCancel,  // set the flag the program watches
    kEnd,     // end the program now, as the signal's default action would
  };

  // A request by `signal_number` arriving at `now_ms` (any monotonic clock).
  Action OnSignal(int signal_number, int64_t now_ms);
  // Time passing without a request: kEnd once the grace time of the first
  // request is over.
  Action OnTick(int64_t now_ms) const;

  // The signal of the first request (0 before any): the one to end with.
  int first_signal() const { return first_signal_; }

 private:
  int first_signal_ = 0;
  int64_t first_ms_ = 0;
  int last_signal_ = 0;
  int64_t last_ms_ = 0;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_CONSOLE_INTERRUPT_REQUESTS_H_
