// qorv at a terminal: the password is asked without echo, the progress bar
// appears only there, and the SDK's questions are asked there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "qorv_program.h"
#include "sample_server.h"

namespace qorv::cli {
namespace {

TEST(QorvTerminalTest, AsksThePasswordWithoutEcho) {
  SampleServer server;
  QorvSandbox sandbox;
  platform::CapturedProgram program;
  ASSERT_EQ(program.StartInTerminal(QORV_TEST_QORV_PATH, {"ls", "--quiet"},
                                    sandbox.Environment({{"QORV_SERVER", server.address()},
                                                         {"QORV_USER", kSampleUser},
                                                         {"QORV_DATABASE", kSampleDatabase}})),
            0);
  ASSERT_TRUE(program.WaitForOutput(
      std::string("Password for ") + kSampleUser + " on " + server.address() + ": ", 30000))
      << program.err();
  program.Type(std::string(kSamplePassword) + "\n");
  int exit_code = -1;
  ASSERT_TRUE(program.Finish(30000, &exit_code));
  EXPECT_EQ(exit_code, 0) << program.err();
  EXPECT_NE(program.out().find("Game/\n"), std::string::npos) << program.out();
  EXPECT_EQ(program.err().find(kSamplePassword), std::string::npos) << program.err();
}

// passwd asks the new password twice without echo and changes nothing when
// the two differ.
TEST(QorvTerminalTest, PasswdAsksTwiceAndNeedsTheSameAnswer) {
  SampleServer server;
  QorvSandbox sandbox;
  const auto change = [&](const std::string& first, const std::string& second) {
    platform::CapturedProgram program;
    EXPECT_EQ(program.StartInTerminal(QORV_TEST_QORV_PATH, {"passwd"},
                                      sandbox.Environment(server.Login())),
              0);
    EXPECT_TRUE(program.WaitForOutput("New password: ", 30000)) << program.err();
    program.Type(first + "\n");
    EXPECT_TRUE(program.WaitForOutput("Retype new password: ", 30000)) << program.err();
    program.Type(second + "\n");
    int exit_code = -1;
    EXPECT_TRUE(program.Finish(30000, &exit_code));
    EXPECT_EQ((program.out() + program.err()).find(first), std::string::npos) << "echoed";
    return exit_code;
  };
  EXPECT_EQ(change("rabbit-hole", "rabbit-hale"), 2);
  EXPECT_EQ(sandbox.Run({"ls"}, server.Login()).exit_code, 0) << "unchanged";
  EXPECT_EQ(change("rabbit-hole", "rabbit-hole"), 0);
  EXPECT_EQ(sandbox.Run({"ls"}, server.Login(kSampleUser, "rabbit-hole")).exit_code, 0);
}

// A failed comparison (of a version the server does not have) reports 100
// percent done: a bar on a terminal, nothing when standard error is a pipe.
TEST(QorvTerminalTest, ProgressBarOnlyOnATerminal) {
  SampleServer server;
  QorvSandbox sandbox;
  std::ofstream(sandbox.Child("main.c")) << "int main() {}\n";
  const std::vector<std::string> compare = {"compare", "-r", "9", sandbox.Child("main.c"),
                                            "$/Game/src/main.c"};
  platform::CapturedProgram program;
  ASSERT_EQ(
      program.StartInTerminal(QORV_TEST_QORV_PATH, compare, sandbox.Environment(server.Login())),
      0);
  int exit_code = -1;
  ASSERT_TRUE(program.Finish(30000, &exit_code));
  EXPECT_EQ(exit_code, 5) << program.err();
  EXPECT_NE(program.err().find("] 100%"), std::string::npos) << program.err();
  // The bar is gone before the next line is written.
  EXPECT_NE(program.err().find("\r\x1b[K"), std::string::npos) << program.err();

  const QorvRun piped = sandbox.Run(compare, server.Login());
  EXPECT_EQ(piped.exit_code, 5);
  EXPECT_EQ(piped.err.find("100%"), std::string::npos) << piped.err;
  EXPECT_EQ(piped.err.find('\x1b'), std::string::npos) << piped.err;
}

// A get at a terminal draws its progress and asks about a writable local
// copy that differs from the server's; the answer typed there decides.
TEST(QorvTerminalTest, GetAsksAboutAWritableCopyThere) {
  SampleServer server;
  QorvSandbox sandbox;
  const std::string work = sandbox.Child("work");
  const std::string main = work + "/main.c";
  ASSERT_EQ(sandbox.Run({"get", kSampleVersionedFile, "-C", work}, server.Login()).exit_code, 0);
  std::filesystem::permissions(main, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  std::ofstream(main, std::ios::binary | std::ios::trunc) << "local edit\n";

  platform::CapturedProgram program;
  ASSERT_EQ(program.StartInTerminal(QORV_TEST_QORV_PATH, {"get", kSampleVersionedFile, "-C", work},
                                    sandbox.Environment(server.Login())),
            0);
  ASSERT_TRUE(program.WaitForOutput("[r] replace, [s] skip", 30000)) << program.err();
  EXPECT_NE(program.err().find("writable copy of " + main), std::string::npos) << program.err();
  program.Type("s\n");
  int exit_code = -1;
  ASSERT_TRUE(program.Finish(30000, &exit_code));
  EXPECT_EQ(exit_code, 0) << program.err();
  EXPECT_NE(program.err().find("] 100%"), std::string::npos) << program.err();
  std::ifstream file(main, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  EXPECT_EQ(text.str(), "local edit\n");
}

// A checkin at a terminal asks about a file that has not changed; "u"
// releases its check out instead of making a new version.
TEST(QorvTerminalTest, CheckinAsksAboutAnUnchangedFileThere) {
  SampleServer server;
  QorvSandbox sandbox;
  const std::string work = sandbox.Child("work");
  const std::string main = work + "/main.c";
  ASSERT_EQ(sandbox.Run({"checkout", kSampleVersionedFile, "-C", work}, server.Login()).exit_code,
            0);
  platform::CapturedProgram program;
  ASSERT_EQ(
      program.StartInTerminal(QORV_TEST_QORV_PATH, {"checkin", kSampleVersionedFile, "-C", work},
                              sandbox.Environment(server.Login())),
      0);
  ASSERT_TRUE(program.WaitForOutput("[c] check in, [u] undo check out", 30000)) << program.err();
  EXPECT_NE(program.err().find("File " + main + " has not been changed."), std::string::npos)
      << program.err();
  program.Type("u\n");
  int exit_code = -1;
  ASSERT_TRUE(program.Finish(30000, &exit_code));
  EXPECT_EQ(exit_code, 0) << program.err();
  EXPECT_NE(program.err().find("] 100%"), std::string::npos) << program.err();
  EXPECT_EQ(std::filesystem::status(main).permissions() & std::filesystem::perms::owner_write,
            std::filesystem::perms::none)
      << "released: read-only";
  const QorvRun again = sandbox.Run({"checkin", kSampleVersionedFile, "-C", work}, server.Login());
  EXPECT_EQ(again.exit_code, 6) << "no longer checked out: " << again.err;
}

}  // namespace
}  // namespace qorv::cli
