// How a transfer list is spread over the transfer threads and cut into
// batches: pure functions of the entries' sizes and the transfer settings.
#ifndef QORV_TRANSFER_TRANSFER_PLAN_H_
#define QORV_TRANSFER_TRANSFER_PLAN_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qorv {

// Threads of one file phase, whatever the size mode.
inline constexpr size_t kTransferThreadCount = 5;

// The limits a size mode selects.
struct SizeModeLimits {
  uint32_t batch_limit = 0;      // bytes of files sent or received as one body
  uint32_t delta_threshold = 0;  // a single file above it may travel as a delta
  bool delta_possible = false;   // whether the mode uses deltas at all
};

// Size modes 0, 1 and 2; any other value reads as mode 0.
SizeModeLimits LimitsForSizeMode(int32_t size_mode);

// Whether large single files travel as deltas: size mode 1 or 2 with delta
// transfer allowed.
bool DeltaUsed(int32_t size_mode, int32_t delta_allowed);

// The positions of `sizes` ordered by size, ascending; equal sizes keep
// their list order.
std::vector<size_t> OrderBySize(const std::vector<uint32_t>& sizes);

// Deals `order` round-robin: the k-th position goes to thread k mod
// `thread_count`. Always `thread_count` groups; threads past the list's
// length get none.
std::vector<std::vector<size_t>> DealRoundRobin(const std::vector<size_t>& order,
                                                size_t thread_count);

// Cuts one thread's entries (their sizes, in dealt order) into batches of
// positions into `sizes`: files join the open batch while its size stays
// within the batch limit, a file that would pass it starts a new batch (so
// a file larger than the limit travels alone), and with deltas used a file
// above the delta threshold always travels alone.
std::vector<std::vector<size_t>> SplitIntoBatches(const std::vector<uint32_t>& sizes,
                                                  const SizeModeLimits& limits, bool delta_used);

}  // namespace qorv

#endif  // QORV_TRANSFER_TRANSFER_PLAN_H_
