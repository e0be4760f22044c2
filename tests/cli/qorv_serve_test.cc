// qorv serve run as a program: it listens, says where, and stops cleanly on
// Ctrl-C.
#include <gtest/gtest.h>

#include <filesystem>

#include "qorv_program.h"

namespace qorv::cli {
namespace {

TEST(QorvServeTest, ListensWithTheSampleDatabaseAndStopsOnCtrlC) {
  QorvSandbox sandbox;
  platform::CapturedProgram program;
  ASSERT_EQ(
      program.Start(QORV_TEST_QORV_PATH, {"serve", "--data", sandbox.Child("data"), "--sample"},
                    sandbox.Environment(), ""),
      0);
  ASSERT_TRUE(program.WaitForOutput("listening on 127.0.0.1:", 30000)) << program.err();
  program.Interrupt();
  int exit_code = -1;
  ASSERT_TRUE(program.Finish(30000, &exit_code));
  EXPECT_EQ(exit_code, 0) << program.err();
  EXPECT_NE(program.out().find("stopped"), std::string::npos) << program.out();
  EXPECT_NE(program.err().find("created the sample database Demo"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(sandbox.Child("data/Demo.qordb")));

  // A second start finds the database and leaves it alone.
  platform::CapturedProgram again;
  ASSERT_EQ(again.Start(QORV_TEST_QORV_PATH,
                        {"serve", "--data", sandbox.Child("data"), "--sample", "--quiet"},
                        sandbox.Environment(), ""),
            0);
  ASSERT_TRUE(again.WaitForOutput("listening on", 30000)) << again.err();
  again.Interrupt();
  ASSERT_TRUE(again.Finish(30000, &exit_code));
  EXPECT_EQ(exit_code, 0);
  EXPECT_EQ(again.err(), "");
}

TEST(QorvServeTest, BadSettingsAreUsageErrors) {
  QorvSandbox sandbox;
  EXPECT_EQ(sandbox.Run({"serve"}).exit_code, 2);
  EXPECT_EQ(sandbox.Run({"serve", "--data", sandbox.Child("d"), "--port", "99999"}).exit_code, 2);
  EXPECT_EQ(sandbox.Run({"serve", "--data", sandbox.Child("d"), "--encryption", "7"}).exit_code, 2);
}

// A server that cannot start fails with the class of its cause, not as an
// internal error.
TEST(QorvServeTest, AServerThatCannotStartSaysWhyWithItsClass) {
  QorvSandbox sandbox;
  platform::CapturedProgram first;
  ASSERT_EQ(first.Start(QORV_TEST_QORV_PATH, {"serve", "--data", sandbox.Child("data"), "--sample"},
                        sandbox.Environment(), ""),
            0);
  ASSERT_TRUE(first.WaitForOutput("listening on 127.0.0.1:", 30000)) << first.err();
  const std::string out = first.out();
  const size_t colon = out.find(':', out.find("127.0.0.1"));
  const std::string port = out.substr(colon + 1, out.find('\n', colon) - colon - 1);
  const QorvRun taken = sandbox.Run({"serve", "--data", sandbox.Child("data"), "--port", port});
  EXPECT_EQ(taken.exit_code, 3) << taken.err;
  EXPECT_NE(taken.err.find("cannot listen on 127.0.0.1:" + port), std::string::npos) << taken.err;
  first.Interrupt();
  int exit_code = -1;
  ASSERT_TRUE(first.Finish(30000, &exit_code));

  const QorvRun no_data = sandbox.Run({"serve", "--data", sandbox.Child("nothing")});
  EXPECT_EQ(no_data.exit_code, 7) << no_data.err;
  EXPECT_NE(no_data.err.find(sandbox.Child("nothing")), std::string::npos) << no_data.err;
}

}  // namespace
}  // namespace qorv::cli
