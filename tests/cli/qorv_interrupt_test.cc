// Ctrl-C and SIGTERM sent to qorv as a program: one request that arrives
// twice, a second request, and a wait that looks at no flag.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/process.h"
#include "qorv_program.h"
#include "sample_server.h"

namespace qorv::cli {
namespace {

// The folder the demo names in its first line.
std::string DemoFolder(const std::string& out) {
  const std::string prefix = "Working in ";
  const size_t start = out.find(prefix);
  if (start == std::string::npos) return "";
  const size_t end = out.find(" (", start);
  return out.substr(start + prefix.size(), end - start - prefix.size());
}

// `timeout -s INT` sends SIGINT to qorv and then to its process group: one
// request, which must end the command canceled (8), not killed.
TEST(QorvInterruptTest, OneRequestArrivingTwiceCancelsOnce) {
  SampleServer server;
  server::FaultHooks slow;
  slow.reply_delay_ms = 1000;
  server.server().SetFaultHooks(slow);
  QorvSandbox sandbox;
  platform::CapturedProgram program;
  ASSERT_EQ(program.Start(QORV_TEST_QORV_PATH, {"count", kSampleProject},
                          sandbox.Environment(server.Login()), ""),
            0);
  ASSERT_TRUE(program.WaitForOutput("Logging in database...", 30000)) << program.err();
  program.Interrupt();
  platform::SleepMs(50);
  program.Interrupt();
  int exit_code = -1;
  ASSERT_TRUE(program.Finish(30000, &exit_code));
  EXPECT_EQ(exit_code, 8) << program.err();
}

// The demo's folder goes however the demo ends: canceled by one request
// sent twice, or ended at once by a second request.
TEST(QorvInterruptTest, TheDemoRemovesItsFolderAfterEveryKindOfInterrupt) {
  for (const int pause_ms : {50, 700}) {
    QorvSandbox sandbox;
    platform::CapturedProgram program;
    ASSERT_EQ(program.Start(QORV_TEST_QORV_PATH, {"demo"}, sandbox.Environment(), ""), 0);
    ASSERT_TRUE(program.WaitForOutput("$ qorv ls -R", 60000)) << program.out() << program.err();
    program.Interrupt();
    platform::SleepMs(pause_ms);
    program.Interrupt();
    int exit_code = -1;
    ASSERT_TRUE(program.Finish(60000, &exit_code));
    // A repeat within half a second is the same request.
    if (pause_ms < 500) {
      EXPECT_EQ(exit_code, 8) << program.out() << program.err();
    }
    const std::string folder = DemoFolder(program.out());
    ASSERT_FALSE(folder.empty());
    EXPECT_FALSE(std::filesystem::exists(folder)) << pause_ms;
  }
}

// Opening a FIFO that nobody writes to waits in the system and looks at no
// cancel flag; SIGTERM still ends qorv, after the grace time.
TEST(QorvInterruptTest, SigtermEndsAWaitThatCannotBeCanceled) {
  SampleServer server;
  QorvSandbox sandbox;
  const std::string fifo = sandbox.Child("fifo");
  platform::CapturedProgram make_fifo;
  ASSERT_EQ(make_fifo.Start("/usr/bin/mkfifo", {fifo}, {}, ""), 0);
  int exit_code = -1;
  ASSERT_TRUE(make_fifo.Finish(10000, &exit_code));
  ASSERT_EQ(exit_code, 0);

  platform::CapturedProgram program;
  ASSERT_EQ(program.Start(QORV_TEST_QORV_PATH, {"compare", fifo, "$/Game/src/main.c"},
                          sandbox.Environment(server.Login()), ""),
            0);
  // Logged in; the comparison then opens the FIFO (unless the path is
  // refused before, which ends qorv by itself).
  program.WaitForOutput("Completed", 30000);
  platform::SleepMs(300);
  program.Terminate();
  exit_code = -1;
  ASSERT_TRUE(program.Finish(15000, &exit_code)) << program.err();
  EXPECT_NE(exit_code, 0) << program.err();
}

}  // namespace
}  // namespace qorv::cli
