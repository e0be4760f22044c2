// Starting a program and waiting for it: its arguments arrive untouched by
// any shell, and its exit code or ending signal comes back.
#include "platform/program_launch.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "platform/termination_signals.h"
#include "support/scoped_temp.h"

namespace qorv::platform {
namespace {

using qorv::testing::ReadTextFile;
using qorv::testing::ScopedTempFolder;

constexpr char kShell[] = "/bin/sh";

TEST(ProgramLaunchTest, ArgumentsArriveAsGivenAndTheExitCodeComesBack) {
  ScopedTempFolder temp;
  const std::string out = temp.Child("args");
  const std::vector<std::string> given = {"two words", "", "$HOME", "*", "a\"b", "x;exit 3"};
  std::vector<std::string> arguments = {"-c", "printf '%s|' \"$@\" > \"$0\"; exit 7", out};
  arguments.insert(arguments.end(), given.begin(), given.end());
  int status = -1;
  ASSERT_EQ(RunProgramAndWait(kShell, arguments, &status), 0);
  EXPECT_EQ(status, 7);
  EXPECT_EQ(ReadTextFile(out), "two words||$HOME|*|a\"b|x;exit 3|");

  ASSERT_EQ(RunProgramAndWait(kShell, {"-c", "exit 0"}, &status), 0);
  EXPECT_EQ(status, 0);
}

TEST(ProgramLaunchTest, ASignalEndingTheProgramCountsAs128PlusItsNumber) {
  int status = -1;
  ASSERT_EQ(RunProgramAndWait(kShell, {"-c", "kill -KILL $$"}, &status), 0);
  EXPECT_EQ(status, 128 + 9);

  // A caller that blocks the termination signals (as the command-line
  // programs do) still starts a program that SIGTERM ends.
  const int code = RunInChildProcess([] {
    BlockTerminationSignals();
    int ended = -1;
    if (RunProgramAndWait(kShell, {"-c", "kill -TERM $$; sleep 5; exit 1"}, &ended) != 0) {
      return 1;
    }
    return ended == 128 + 15 ? 0 : 2;
  });
  EXPECT_EQ(code, 0);
}

TEST(ProgramLaunchTest, AProgramThatCannotStartGivesTheErrorNumber) {
  ScopedTempFolder temp;
  int status = -1;
  EXPECT_EQ(RunProgramAndWait(temp.Child("missing"), {}, &status), ENOENT);
  // A file without execute permission cannot be started.
  const std::string plain = temp.Child("plain.sh");
  qorv::testing::WriteTextFile(plain, "#!/bin/sh\nexit 0\n");
  std::filesystem::permissions(
      plain, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_EQ(RunProgramAndWait(plain, {}, &status), EACCES);
  EXPECT_EQ(status, -1);
}

}  // namespace
}  // namespace qorv::platform
