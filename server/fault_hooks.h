// Faults the server can be told to make, for tests of how clients cope:
// dropping connections, slow replies and refused commands. All are off
// unless a test or a command-line flag turns them on.
#ifndef QORV_SERVER_FAULT_HOOKS_H_
#define QORV_SERVER_FAULT_HOOKS_H_

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/com/mutex.h"

namespace qorv::server {

inline constexpr char kTextInjectedFailure[] = "Injected failure";

struct InjectedStatus {
  int32_t status = 0;
  std::string text = kTextInjectedFailure;
};

struct FaultHooks {
  // Each connection answers this many request frames, then closes when the
  // next one arrives, without carrying it out. Negative: never.
  int32_t drop_after_frames = -1;
  // Each transfer connection sends this many messages of a body, then
  // closes in the middle of it, as a server killed mid-download would look
  // to the client. Negative: never.
  int32_t drop_after_body_messages = -1;
  // A request with this command code closes its connection when it
  // arrives, without being carried out, as a server killed just before it
  // would have answered looks to the client. Negative: never.
  int32_t drop_at_code = -1;
  // The first this many attempts of each delta exchange fail their MD4
  // check: a download's delta-information file leaves with its last byte
  // flipped; an upload's old version has a byte flipped after its digest
  // was sent, so the rebuilt file differs. 0: never.
  int32_t corrupt_delta_attempts = 0;
  // Every reply waits this long before it is sent.
  int32_t reply_delay_ms = 0;
  // Commands answered with a status of their own instead of being carried
  // out (command code -> status and text).
  std::map<int32_t, InjectedStatus> injected_statuses;
  // The connection that carries frame N of its kind is cut right after it,
  // N counted server-wide over every frame received or sent on connections
  // of that kind since FaultHookSource::ResetFrameCounts (main: requests,
  // replies and confirmations; transfer: requests, body messages and
  // replies). A received frame is still carried out, as if the server had
  // done the work and died before answering; nothing more is sent or
  // received on that connection. Test code only (no flag). 0: never.
  int64_t cut_main_at_frame = 0;
  int64_t cut_transfer_at_frame = 0;
};

// The kinds of connection whose frames are counted apart: a connection is a
// transfer connection when its first request is 64, 65 or 96.
enum class ConnectionKind { kMain = 0, kTransfer = 1 };

// "CODE:STATUS" or "CODE:STATUS:TEXT" (the --fault-status flag). False when
// the text is not of that form.
bool ParseInjectedStatus(std::string_view text, int32_t* code, InjectedStatus* injected);

// The hooks in force, changed by tests while connections read them, and a
// count of the requests answered by command code, which tests read to see
// how an operation split its work into requests.
class FaultHookSource {
 public:
  void CountRequest(uint8_t code) { request_counts_[code].fetch_add(1, std::memory_order_relaxed); }
  int64_t RequestCount(uint8_t code) const {
    return request_counts_[code].load(std::memory_order_relaxed);
  }
  // Delta exchanges seen by tests: attempts made, files rebuilt or sent as
  // a delta, and bodies that followed whole after a delta was asked for.
  struct DeltaCounts {
    int64_t attempts = 0;
    int64_t rebuilt = 0;
    int64_t whole = 0;
  };
  void CountDelta(int64_t attempts, int64_t rebuilt, int64_t whole) {
    delta_attempts_.fetch_add(attempts, std::memory_order_relaxed);
    delta_rebuilt_.fetch_add(rebuilt, std::memory_order_relaxed);
    delta_whole_.fetch_add(whole, std::memory_order_relaxed);
  }
  DeltaCounts delta_counts() const {
    return {delta_attempts_.load(std::memory_order_relaxed),
            delta_rebuilt_.load(std::memory_order_relaxed),
            delta_whole_.load(std::memory_order_relaxed)};
  }

  // Counts one frame of a connection of `kind`; the count with it.
  int64_t CountFrame(ConnectionKind kind) {
    return frame_counts_[static_cast<size_t>(kind)].fetch_add(1, std::memory_order_relaxed) + 1;
  }
  int64_t FrameCount(ConnectionKind kind) const {
    return frame_counts_[static_cast<size_t>(kind)].load(std::memory_order_relaxed);
  }
  void ResetFrameCounts() {
    for (std::atomic<int64_t>& count : frame_counts_) count.store(0, std::memory_order_relaxed);
  }

  void Set(FaultHooks hooks) QORV_EXCLUDES(mutex_) {
    platform::MutexLock lock(mutex_);
    hooks_ = std::move(hooks);
  }
  FaultHooks Get() const QORV_EXCLUDES(mutex_) {
    platform::MutexLock lock(mutex_);
    return hooks_;
  }

 private:
  mutable platform::Mutex mutex_;
  FaultHooks hooks_ QORV_GUARDED_BY(mutex_);
  std::array<std::atomic<int64_t>, 256> request_counts_{};
  std::atomic<int64_t> delta_attempts_{0};
  std::atomic<int64_t> delta_rebuilt_{0};
  std::atomic<int64_t> delta_whole_{0};
  std::array<std::atomic<int64_t>, 2> frame_counts_{};
};

}  // namespace qorv::server

#endif  // QORV_SERVER_FAULT_HOOKS_H_
