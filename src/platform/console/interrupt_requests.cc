#include "platform/console/interrupt_requests.h"

#include <chrono>

namespace qorv::platform {

int64_t InterruptRequests::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

InterruptRequests::Action InterruptRequests::OnSignal(int signal_number, int64_t now_ms) {
  if (first_signal_ == 0) {
    first_signal_ = last_signal_ = signal_number;
    first_ms_ = last_ms_ = now_ms;
    return Action::kCancel;
  }
  const bool repeat = signal_number == last_signal_ && now_ms - last_ms_ < kRepeatWindowMs;
  last_signal_ = signal_number;
  last_ms_ = now_ms;
  return repeat ? Action::kNone : Action::kEnd;
}

InterruptRequests::Action InterruptRequests::OnTick(int64_t now_ms) const {
  return first_signal_ != 0 && now_ms - first_ms_ >= kGraceMs ? Action::kEnd : Action::kNone;
}

}  // namespace qorv::platform
