#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "platform/captured_program.h"
#include "platform/process.h"

namespace qorv::platform {
namespace {

// Spins for `ms` milliseconds of elapsed time; returns a value the compiler
// cannot drop.
uint64_t Spin(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  uint64_t x = 1;
  while (std::chrono::steady_clock::now() < end) x = x * 6364136223846793005u + 1;
  return x;
}

TEST(ProcessTest, CpuSecondsCountsWorkNotSleepAndNothingOnceGone) {
  const double before = CpuSeconds(CurrentProcessId());
  ASSERT_GE(before, 0.0);
  EXPECT_NE(Spin(300), 0u);
  const double after = CpuSeconds(CurrentProcessId());
  // 300 ms of spinning; a loaded machine may give the process less of it.
  EXPECT_GE(after - before, 0.05);
  EXPECT_LE(after - before, 5.0);

  // A program that sleeps uses almost none, and one that is gone has none.
  CapturedProgram sleeper;
  ASSERT_EQ(sleeper.Start("/bin/sleep", {"0.3"}, {}, ""), 0);
  SleepMs(150);
  const double sleeping = CpuSeconds(sleeper.process_id());
  EXPECT_GE(sleeping, 0.0);
  EXPECT_LT(sleeping, 0.1);
  int exit_code = -1;
  ASSERT_TRUE(sleeper.Finish(10000, &exit_code));
  EXPECT_EQ(CpuSeconds(sleeper.process_id()), -1.0);
}

}  // namespace
}  // namespace qorv::platform
