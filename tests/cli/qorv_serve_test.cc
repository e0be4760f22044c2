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

}  // namespace
}  // namespace qorv::cli
