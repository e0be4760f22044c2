// The memory all connections of one server may hold in frame buffers beyond
// the small buffer each keeps: a frame that would pass it is refused and its
// connection closed, so that many large frames at once cannot exhaust the
// server's memory.
#ifndef QORV_SERVER_FRAME_BUDGET_H_
#define QORV_SERVER_FRAME_BUDGET_H_

#include <atomic>
#include <cstdint>

namespace qorv::server {

class FrameBudget {
 public:
  explicit FrameBudget(int64_t limit) : limit_(limit) {}
  FrameBudget(const FrameBudget&) = delete;
  FrameBudget& operator=(const FrameBudget&) = delete;

  // Takes `bytes` from the budget; false, taking nothing, when that would
  // pass the limit.
  bool TryReserve(int64_t bytes);
  void Release(int64_t bytes);

  int64_t used() const { return used_.load(); }
  int64_t limit() const { return limit_; }

 private:
  const int64_t limit_;
  std::atomic<int64_t> used_{0};
};

}  // namespace qorv::server

#endif  // QORV_SERVER_FRAME_BUDGET_H_
