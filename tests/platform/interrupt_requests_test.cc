// The rules that turn Ctrl-C and SIGTERM into a cancel or an immediate end.
#include "platform/console/interrupt_requests.h"

#include <gtest/gtest.h>

namespace qorv::platform {
namespace {

using Action = InterruptRequests::Action;
constexpr int kInt = 2;
constexpr int kTerm = 15;

TEST(InterruptRequestsTest, OneRequestSentTwiceCountsOnceAndALaterOneEnds) {
  InterruptRequests requests;
  EXPECT_EQ(requests.OnSignal(kInt, 1000), Action::kCancel);
  // `timeout` sends its signal to the program and then to its group.
  EXPECT_EQ(requests.OnSignal(kInt, 1001), Action::kNone);
  EXPECT_EQ(requests.OnSignal(kInt, 1400), Action::kNone);
  EXPECT_EQ(requests.OnTick(1500), Action::kNone);
  // A second Ctrl-C the user typed.
  EXPECT_EQ(requests.OnSignal(kInt, 2000), Action::kEnd);

  InterruptRequests other;
  EXPECT_EQ(other.OnSignal(kInt, 0), Action::kCancel);
  // Another signal is another request, however soon it comes.
  EXPECT_EQ(other.OnSignal(kTerm, 1), Action::kEnd);
}

TEST(InterruptRequestsTest, AFirstRequestNotAnsweredInTimeEndsTheProgram) {
  InterruptRequests requests;
  EXPECT_EQ(requests.OnTick(1'000'000), Action::kNone);  // no request yet
  EXPECT_EQ(requests.OnSignal(kTerm, 5000), Action::kCancel);
  // A repeat does not put the end off.
  EXPECT_EQ(requests.OnSignal(kTerm, 5300), Action::kNone);
  EXPECT_EQ(requests.OnTick(5000 + InterruptRequests::kGraceMs - 1), Action::kNone);
  EXPECT_EQ(requests.OnTick(5000 + InterruptRequests::kGraceMs), Action::kEnd);
  EXPECT_EQ(requests.first_signal(), kTerm);
}

}  // namespace
}  // namespace qorv::platform
