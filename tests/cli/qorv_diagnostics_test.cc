// qorv run as a program where something is wrong before the server has a
// say: output that cannot be written, arguments that cannot be used, a
// registry or module that cannot be loaded, a server that cannot be reached.
// Each failure says what went wrong and why, with the status of its class.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/captured_program.h"
#include "qorv_program.h"

namespace qorv::cli {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Nobody listens on port 1: a command that got as far as connecting fails
// with 3.
const platform::EnvironmentChanges kUnreachable = {{"QORV_SERVER", "127.0.0.1:1"},
                                                   {"QORV_USER", "u"},
                                                   {"QORV_DATABASE", "d"},
                                                   {"QORV_PASSWORD", ""}};

TEST(QorvDiagnosticsTest, AFailedWriteToStandardOutputIsAFailure) {
  QorvSandbox sandbox;
  for (const std::vector<std::string>& line :
       std::vector<std::vector<std::string>>{{"--help"}, {"--version"}, {"help", "ls"}}) {
    const QorvRun run = sandbox.RunWithOutputTo("/dev/full", line);
    EXPECT_EQ(run.exit_code, 7) << line.front() << "\n" << run.err;
    EXPECT_TRUE(Contains(run.err, "could not be written to standard output: No space left"))
        << run.err;
  }
  // A usage error keeps its own status.
  const QorvRun usage = sandbox.RunWithOutputTo("/dev/full", {"--json", "frobnicate"});
  EXPECT_EQ(usage.exit_code, 2) << usage.err;
}

TEST(QorvDiagnosticsTest, MalformedServerPathsAreOneUsageErrorBeforeConnecting) {
  QorvSandbox sandbox;
  const std::vector<std::vector<std::string>> lines = {
      {"ls", "Game//src"},   {"ls", "$//"},
      {"info", "Game//src"}, {"exists", "Game//src"},
      {"count", "a\nb"},     {"history", "$/Game/\x1b[2J"},
      {"files", "$/A//"},    {"compare", "/", "$//x"},
  };
  for (const auto& line : lines) {
    const QorvRun run = sandbox.Run(line, kUnreachable);
    EXPECT_EQ(run.exit_code, 2) << line[1] << "\n" << run.err;
    EXPECT_TRUE(Contains(run.err, "is not a server path: ")) << run.err;
    EXPECT_FALSE(Contains(run.err, "Connecting")) << run.err;
    EXPECT_EQ(run.out, "");
  }
  // The control character is shown where it is.
  EXPECT_TRUE(Contains(sandbox.Run({"count", "a\nb"}, kUnreachable).err,
                       "count: \"a\\nb\" is not a server path: a name holds a control"));
  // One "/" at the end is no empty name: these get as far as connecting.
  for (const char* path : {"Game/", "$/Game/src/", "$/", ""}) {
    EXPECT_EQ(sandbox.Run({"ls", path}, kUnreachable).exit_code, 3) << path;
  }
}

TEST(QorvDiagnosticsTest, CompareNeedsAReadableLocalFile) {
  QorvSandbox sandbox;
  QorvRun run = sandbox.Run({"compare", "", ""}, kUnreachable);
  EXPECT_EQ(run.exit_code, 2) << run.err;
  run = sandbox.Run({"compare", "-", "$/Game/a.c"}, kUnreachable);
  EXPECT_EQ(run.exit_code, 2) << run.err;
  EXPECT_TRUE(Contains(run.err, "standard input")) << run.err;

  const std::string missing = sandbox.Child("mian.c");
  run = sandbox.Run({"compare", missing, "$/Game/main.c"}, kUnreachable);
  EXPECT_EQ(run.exit_code, 7) << run.err;
  EXPECT_TRUE(
      Contains(run.err, "the local file " + missing + " cannot be read: No such file or directory"))
      << run.err;
  EXPECT_EQ(run.out, "");
  run = sandbox.Run({"--json", "compare", sandbox.Child(""), "$/Game/main.c"}, kUnreachable);
  EXPECT_EQ(run.exit_code, 7) << run.out;
  EXPECT_TRUE(Contains(run.out, R"("class":"local-file")")) << run.out;
  EXPECT_TRUE(Contains(run.out, "it is a folder")) << run.out;
}

TEST(QorvDiagnosticsTest, ConnectFailuresSayWhy) {
  QorvSandbox sandbox;
  QorvRun run = sandbox.Run({"databases", "--server", "127.0.0.1:1"});
  EXPECT_EQ(run.exit_code, 3) << run.err;
  // The SDK's line as it is, and the cause after the final message.
  EXPECT_TRUE(Contains(run.err, "error: Error connecting to: 127.0.0.1:1\n")) << run.err;
  EXPECT_TRUE(Contains(run.err, "): 127.0.0.1:1 cannot be reached: Connection refused\n"))
      << run.err;

  run = sandbox.Run({"databases", "--server", "no-such-host.invalid:4100"});
  EXPECT_EQ(run.exit_code, 3) << run.err;
  EXPECT_TRUE(Contains(run.err, "): no-such-host.invalid:4100 cannot be reached: ")) << run.err;
  EXPECT_FALSE(Contains(run.err, "Connection refused")) << run.err;

  run = sandbox.Run(
      {"--json", "databases", "--server", "127.0.0.1:1", "--proxy", "socks5://127.0.0.1:2"});
  EXPECT_EQ(run.exit_code, 3) << run.out;
  EXPECT_TRUE(Contains(run.out, R"("cause":"the proxy 127.0.0.1:2 cannot be reached: Connection)"))
      << run.out;
}

TEST(QorvDiagnosticsTest, RegistryAndModuleFailuresSayWhy) {
  QorvSandbox sandbox;
  // A registry that is a folder, and one that does not parse.
  const std::string folder = sandbox.Child("registry-folder");
  std::filesystem::create_directories(folder);
  QorvRun run = sandbox.Run({"databases"}, {{"QORV_REGISTRY", folder}, kUnreachable[0]});
  EXPECT_EQ(run.exit_code, 9) << run.err;
  EXPECT_TRUE(Contains(run.err, "the registry " + folder + " cannot be read: Is a directory"))
      << run.err;
  const std::string garbled = sandbox.Child("garbled.reg");
  std::ofstream(garbled) << "this is no registry\n";
  run = sandbox.Run({"databases"}, {{"QORV_REGISTRY", garbled}, kUnreachable[0]});
  EXPECT_EQ(run.exit_code, 9) << run.err;
  EXPECT_TRUE(Contains(run.err, "cannot be read: line 1")) << run.err;

  // A module file that is no module: registering it fails with the path and
  // the loader's reason, not a bare HRESULT.
  const std::string fake = sandbox.Child("libfake.so");
  std::ofstream(fake) << "not a shared object\n";
  run = sandbox.Run({"databases", "--module", fake}, {kUnreachable[0]});
  EXPECT_EQ(run.exit_code, 9) << run.err;
  EXPECT_TRUE(Contains(run.err, "registering the SDK module " + fake)) << run.err;
  EXPECT_TRUE(Contains(run.err, "it cannot be loaded: " + fake + ": ")) << run.err;

  platform::CapturedProgram qorvreg;
  ASSERT_EQ(qorvreg.Start(QORV_TEST_QORVREG_PATH, {fake}, sandbox.Environment(), ""), 0);
  int exit_code = -1;
  ASSERT_TRUE(qorvreg.Finish(30000, &exit_code));
  EXPECT_EQ(exit_code, 1);
  EXPECT_TRUE(Contains(qorvreg.err(), "the module could not be loaded: " + fake + ": "))
      << qorvreg.err();
}

TEST(QorvDiagnosticsTest, DemoWithoutATemporaryFolderEndsWithAMessage) {
  QorvSandbox sandbox;
  const QorvRun run = sandbox.Run({"demo"}, {{"TMPDIR", "/no/such/folder"}});
  EXPECT_EQ(run.exit_code, 7) << run.err;
  EXPECT_TRUE(Contains(run.err, "qorv: demo: ")) << run.err;
  EXPECT_TRUE(Contains(run.err, "/no/such/folder")) << run.err;
}

}  // namespace
}  // namespace qorv::cli
