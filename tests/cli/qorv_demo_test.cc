// qorv demo: the whole session against its embedded server, and its
// temporary folder removed after success and after Ctrl-C alike.
#include <gtest/gtest.h>

#include <filesystem>

#include "qorv_program.h"

namespace qorv::cli {
namespace {

// The folder the demo names in its first line.
std::string WorkingFolder(const std::string& out) {
  const std::string prefix = "Working in ";
  const size_t start = out.find(prefix);
  if (start == std::string::npos) return "";
  const size_t end = out.find(" (", start);
  return out.substr(start + prefix.size(), end - start - prefix.size());
}

TEST(QorvDemoTest, RunsEveryStepAndRemovesItsFolder) {
  QorvSandbox sandbox;
  const QorvRun run = sandbox.Run({"demo"});
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  for (const char* text : {"$ qorv databases\nDemo\n", "$ qorv ls -R $/Game", "Version 3  ",
                           "$ qorv --json info $/Game/assets/logo.png\n{\"command\":\"info\"",
                           "(exit status 4)", "$ qorv mkdir -m 'Notes of the demo' $/Notes",
                           "$ qorv checkin -m 'Changed in the demo'",
                           "Every step gave the answer it should"}) {
    EXPECT_NE(run.out.find(text), std::string::npos) << text;
  }
  // The new project's file, deleted and recovered, has its history back with
  // the version the demo checked in.
  const size_t recovered = run.out.find("$ qorv recover $/Notes/notes.txt");
  ASSERT_NE(recovered, std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Changed in the demo", recovered), std::string::npos) << run.out;
  // Report lines of the SDK came as they arrived.
  EXPECT_NE(run.err.find("Connecting to server..."), std::string::npos) << run.err;
  const std::string folder = WorkingFolder(run.out);
  ASSERT_FALSE(folder.empty()) << run.out;
  EXPECT_FALSE(std::filesystem::exists(folder));
  // The demo's private registry was its own: the sandbox's was never made.
  EXPECT_FALSE(std::filesystem::exists(sandbox.registry()));
}

TEST(QorvDemoTest, CtrlCEndsItCanceledAndStillRemovesItsFolder) {
  QorvSandbox sandbox;
  platform::CapturedProgram program;
  ASSERT_EQ(program.Start(QORV_TEST_QORV_PATH, {"demo"}, sandbox.Environment(), ""), 0);
  ASSERT_TRUE(program.WaitForOutput("$ qorv ls -R", 60000)) << program.out() << program.err();
  program.Interrupt();
  int exit_code = -1;
  ASSERT_TRUE(program.Finish(60000, &exit_code));
  EXPECT_EQ(exit_code, 8) << program.out() << program.err();
  const std::string folder = WorkingFolder(program.out());
  ASSERT_FALSE(folder.empty());
  EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(QorvDemoTest, AReaderThatStopsEarlyStillLeavesNoFolderBehind) {
  // `qorv demo | head -1`: the pipe closes while the demo writes.
  QorvSandbox sandbox;
  const std::string temp = sandbox.Child("tmp");
  std::filesystem::create_directories(temp);
  platform::CapturedProgram program;
  ASSERT_EQ(program.Start("/bin/sh",
                          {"-c", std::string("'") + QORV_TEST_QORV_PATH + "' demo | head -n 1"},
                          sandbox.Environment({{"TMPDIR", temp}}), ""),
            0);
  int exit_code = -1;
  ASSERT_TRUE(program.Finish(60000, &exit_code));
  EXPECT_EQ(exit_code, 0) << program.err();
  EXPECT_NE(program.out().find("Working in "), std::string::npos) << program.out();
  EXPECT_TRUE(std::filesystem::is_empty(temp)) << "the demo's folder was left in " << temp;
}

}  // namespace
}  // namespace qorv::cli
