#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "platform/captured_program.h"
#include "platform/process.h"

namespace qorv::platform {
namespace {

// Spins until the process has used `seconds` more of processor time by
// CpuSeconds' count, or for at most `limit_ms` of elapsed time on a machine
// too loaded to give it that much (or when the count does not grow).
// Returns a value the compiler cannot drop.
uint64_t SpinFor(double seconds, int limit_ms, double* elapsed_seconds) {
  const auto start = std::chrono::steady_clock::now();
  const auto end = start + std::chrono::milliseconds(limit_ms);
  const double target = CpuSeconds(CurrentProcessId()) + seconds;
  uint64_t x = 1;
  while (std::chrono::steady_clock::now() < end) {
    for (int i = 0; i < 100000; ++i) x = x * 6364136223846793005u + 1;
    if (CpuSeconds(CurrentProcessId()) >= target) break;
  }
  *elapsed_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return x;
}

TEST(ProcessTest, CpuSecondsCountsWorkNotSleepAndNothingOnceGone) {
  const double before = CpuSeconds(CurrentProcessId());
  ASSERT_GE(before, 0.0);
  double elapsed = 0;
  EXPECT_NE(SpinFor(0.2, 20000, &elapsed), 0u);
  const double after = CpuSeconds(CurrentProcessId());
  // The spin is counted, and no more than the time that passed (the test's
  // one thread; a small allowance for the count's resolution).
  EXPECT_GE(after - before, 0.2);
  EXPECT_LE(after - before, elapsed + 0.1);

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
