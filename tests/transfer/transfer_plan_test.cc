#include "transfer/transfer_plan.h"

#include <gtest/gtest.h>

#include <vector>

namespace qorv {
namespace {

using Groups = std::vector<std::vector<size_t>>;

TEST(TransferPlanTest, SizeModesSelectLimitsAndDelta) {
  EXPECT_EQ(LimitsForSizeMode(0).batch_limit, 1048576u);
  EXPECT_EQ(LimitsForSizeMode(0).delta_threshold, 0u);
  EXPECT_EQ(LimitsForSizeMode(1).batch_limit, 1048576u);
  EXPECT_EQ(LimitsForSizeMode(1).delta_threshold, 524288u);
  EXPECT_EQ(LimitsForSizeMode(2).batch_limit, 262144u);
  EXPECT_EQ(LimitsForSizeMode(2).delta_threshold, 131072u);
  EXPECT_EQ(LimitsForSizeMode(7).batch_limit, 1048576u);
  EXPECT_FALSE(DeltaUsed(0, 1));
  EXPECT_FALSE(DeltaUsed(1, 0));
  EXPECT_TRUE(DeltaUsed(1, 1));
  EXPECT_TRUE(DeltaUsed(2, 5));
}

TEST(TransferPlanTest, OrderIsBySizeAndKeepsListOrderForEqualSizes) {
  EXPECT_EQ(OrderBySize({30, 10, 20, 10, 30, 0}), (std::vector<size_t>{5, 1, 3, 2, 0, 4}));
}

TEST(TransferPlanTest, TwelveFilesAreDealtThreeThreeTwoTwoTwo) {
  // Distinct sizes in a scrambled order: the smallest goes to thread 0, the
  // next to thread 1, and so on round the five threads.
  const std::vector<uint32_t> sizes = {120, 50, 110, 10, 90, 70, 30, 100, 20, 60, 80, 40};
  const Groups groups = DealRoundRobin(OrderBySize(sizes), 5);
  ASSERT_EQ(groups.size(), 5u);
  EXPECT_EQ(groups[0], (std::vector<size_t>{3, 9, 2}));  // 10, 60, 110
  EXPECT_EQ(groups[1], (std::vector<size_t>{8, 5, 0}));  // 20, 70, 120
  EXPECT_EQ(groups[2], (std::vector<size_t>{6, 10}));    // 30, 80
  EXPECT_EQ(groups[3], (std::vector<size_t>{11, 4}));    // 40, 90
  EXPECT_EQ(groups[4], (std::vector<size_t>{1, 7}));     // 50, 100
  // Fewer files than threads: the rest get nothing.
  const Groups few = DealRoundRobin(OrderBySize({5, 1}), 5);
  EXPECT_EQ(few[0], (std::vector<size_t>{1}));
  EXPECT_EQ(few[1], (std::vector<size_t>{0}));
  EXPECT_TRUE(few[2].empty() && few[3].empty() && few[4].empty());
}

TEST(TransferPlanTest, BatchesFillUpToTheLimitAndLargeFilesTravelAlone) {
  const SizeModeLimits mode0 = LimitsForSizeMode(0);
  // 600 KiB + 400 KiB fit exactly in 1 MiB; the next starts a new batch; a
  // file above the limit is alone; small files after it share again.
  EXPECT_EQ(SplitIntoBatches({614400, 434176, 1, 2000000, 5, 6}, mode0, false),
            (Groups{{0, 1}, {2}, {3}, {4, 5}}));
  EXPECT_EQ(SplitIntoBatches({0, 0, 0}, mode0, false), (Groups{{0, 1, 2}}));
  EXPECT_TRUE(SplitIntoBatches({}, mode0, false).empty());

  // Mode 2 with deltas: above 128 KiB a file is alone even though it would
  // fit the 256 KiB limit; at the threshold it still shares.
  const SizeModeLimits mode2 = LimitsForSizeMode(2);
  EXPECT_EQ(SplitIntoBatches({100, 131073, 200, 131072, 300}, mode2, true),
            (Groups{{0}, {1}, {2, 3, 4}}));
  // Without deltas the same files only follow the batch limit.
  EXPECT_EQ(SplitIntoBatches({100, 131073, 200, 131072, 300}, mode2, false),
            (Groups{{0, 1, 2}, {3, 4}}));
}

}  // namespace
}  // namespace qorv
