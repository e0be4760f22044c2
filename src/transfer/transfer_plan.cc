#include "transfer/transfer_plan.h"

#include <algorithm>

namespace qorv {
namespace {

constexpr uint32_t kOneMiB = 1048576;

}  // namespace

SizeModeLimits LimitsForSizeMode(int32_t size_mode) {
  switch (size_mode) {
    case 1:
      return {kOneMiB, 524288, true};
    case 2:
      return {262144, 131072, true};
    default:
      return {kOneMiB, 0, false};
  }
}

bool DeltaUsed(int32_t size_mode, int32_t delta_allowed) {
  return LimitsForSizeMode(size_mode).delta_possible && delta_allowed != 0;
}

std::vector<size_t> OrderBySize(const std::vector<uint32_t>& sizes) {
  std::vector<size_t> order(sizes.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&sizes](size_t a, size_t b) { return sizes[a] < sizes[b]; });
  return order;
}

std::vector<std::vector<size_t>> DealRoundRobin(const std::vector<size_t>& order,
                                                size_t thread_count) {
  std::vector<std::vector<size_t>> groups(thread_count);
  if (thread_count == 0) return groups;
  for (size_t k = 0; k < order.size(); ++k) groups[k % thread_count].push_back(order[k]);
  return groups;
}

std::vector<std::vector<size_t>> SplitIntoBatches(const std::vector<uint32_t>& sizes,
                                                  const SizeModeLimits& limits, bool delta_used) {
  std::vector<std::vector<size_t>> batches;
  std::vector<size_t> open;
  uint64_t open_size = 0;
  auto close_open = [&] {
    if (!open.empty()) batches.push_back(std::move(open));
    open.clear();
    open_size = 0;
  };
  for (size_t i = 0; i < sizes.size(); ++i) {
    const uint32_t size = sizes[i];
    if (delta_used && size > limits.delta_threshold) {
      close_open();
      batches.push_back({i});
      continue;
    }
    if (open_size + size > limits.batch_limit) close_open();
    open.push_back(i);
    open_size += size;
  }
  close_open();
  return batches;
}

}  // namespace qorv
