#include "server/frame_budget.h"

namespace qorv::server {

bool FrameBudget::TryReserve(int64_t bytes) {
  int64_t used = used_.load();
  do {
    if (bytes > limit_ - used) return false;
  } while (!used_.compare_exchange_weak(used, used + bytes));
  return true;
}

void FrameBudget::Release(int64_t bytes) { used_.fetch_sub(bytes); }

}  // namespace qorv::server
