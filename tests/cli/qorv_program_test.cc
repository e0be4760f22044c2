// qorv run as a program: help, usage errors and their exit statuses, and
// finding the SDK through a registry that does not know it yet.
#include <gtest/gtest.h>

#include <filesystem>

#include "qorv_program.h"

namespace qorv::cli {
namespace {

bool HasEscape(const QorvRun& run) {
  return run.out.find('\x1b') != std::string::npos || run.err.find('\x1b') != std::string::npos;
}

TEST(QorvProgramTest, HelpListsCommandsOptionsAndExitStatuses) {
  QorvSandbox sandbox;
  const QorvRun run = sandbox.Run({"--help"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "");
  for (const char* text : {"Usage: qorv", "  ls ", "  history ", "  databases ", "--server",
                           "--json", "--replace", "Exit status:", "  8  canceled"}) {
    EXPECT_NE(run.out.find(text), std::string::npos) << text;
  }
  EXPECT_FALSE(HasEscape(run));
  // Help needs no server and registers nothing.
  EXPECT_FALSE(std::filesystem::exists(sandbox.registry()));
}

TEST(QorvProgramTest, EveryCommandHasItsHelp) {
  QorvSandbox sandbox;
  for (const char* command : {"ls", "projects", "files", "info", "history", "deleted", "links",
                              "count", "exists", "compare", "databases", "help"}) {
    const QorvRun by_option = sandbox.Run({command, "--help"});
    EXPECT_EQ(by_option.exit_code, 0) << command;
    EXPECT_EQ(by_option.out.rfind(std::string("Usage: qorv ") + command, 0), 0u) << by_option.out;
    const QorvRun by_command = sandbox.Run({"help", command});
    EXPECT_EQ(by_command.exit_code, 0) << command;
    EXPECT_EQ(by_command.out, by_option.out);
  }
}

TEST(QorvProgramTest, UsageErrorsExitWithTwoAndWriteNothingToStandardOutput) {
  QorvSandbox sandbox;
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"frobnicate"},
      {"ls", "--nope"},
      {"--server", "nohost", "ls"},
      {"--proxy", "socks4://a:b@p:1", "ls"},
      {"info"},                       // missing argument
      {"count", "$/A", "$/B"},        // too many
      {"--replace", "--skip", "ls"},  // two answers
      {"--temp-dir", "/nonexistent/qorv", "--server", "127.0.0.1:1", "-u", "a", "-d", "b", "ls"},
      {"help", "frobnicate"},
  };
  for (const auto& line : lines) {
    const QorvRun run = sandbox.Run(line);
    EXPECT_EQ(run.exit_code, 2) << (line.empty() ? "" : line.front());
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("qorv"), std::string::npos);
  }
  const QorvRun no_server = sandbox.Run({"-u", "ann", "-d", "Main", "ls"});
  EXPECT_EQ(no_server.exit_code, 2);
  EXPECT_NE(no_server.err.find("--server"), std::string::npos) << no_server.err;
  const QorvRun no_user =
      sandbox.Run({"ls"}, {{"QORV_SERVER", "127.0.0.1:1"}, {"QORV_DATABASE", "Main"}});
  EXPECT_EQ(no_user.exit_code, 2);
  EXPECT_NE(no_user.err.find("--user"), std::string::npos) << no_user.err;
}

// A bad option value of a command is found before anything connects (the
// server named here does not exist), and with --json it is a document too.
TEST(QorvProgramTest, CommandOptionsAreCheckedBeforeConnecting) {
  QorvSandbox sandbox;
  const platform::EnvironmentChanges login = {{"QORV_SERVER", "127.0.0.1:1"},
                                              {"QORV_USER", "u"},
                                              {"QORV_DATABASE", "d"},
                                              {"QORV_PASSWORD", ""}};
  QorvRun run = sandbox.Run({"--json", "history", "$/A", "--since", "yesterday"}, login);
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out.rfind(R"({"command":"history","ok":false,"exit_status":2,"class":"usage")", 0),
            0u)
      << run.out;
  EXPECT_NE(run.out.find("yesterday"), std::string::npos);

  run = sandbox.Run({"compare", "a.txt", "$/a.txt", "--eol", "unix"}, login);
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.err.find("--eol \"unix\""), std::string::npos) << run.err;
  run = sandbox.Run({"info", "$/A", "--file", "--project"}, login);
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_FALSE(std::filesystem::exists(sandbox.registry()));
}

TEST(QorvProgramTest, VersionAndShortOptions) {
  QorvSandbox sandbox;
  const QorvRun run = sandbox.Run({"--version"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out.rfind("qorv ", 0), 0u) << run.out;
}

}  // namespace
}  // namespace qorv::cli

namespace qorv::cli {
namespace {

// The registry of a fresh machine knows no SDK: qorv registers the module
// built with it, says so, and goes on (here to a port where nobody listens).
TEST(QorvProgramTest, RegistersTheBuiltModuleWhenTheRegistryHasNone) {
  QorvSandbox sandbox;
  const QorvRun run = sandbox.Run({"databases", "--server", "127.0.0.1:1"});
  EXPECT_NE(
      run.err.find("registered the SDK module " QORV_TEST_MODULE_PATH " in " + sandbox.registry()),
      std::string::npos)
      << run.err;
  EXPECT_TRUE(std::filesystem::exists(sandbox.registry()));
  EXPECT_EQ(run.exit_code, 3) << run.err;
  EXPECT_NE(run.err.find("error: Error connecting to: 127.0.0.1:1\n"), std::string::npos)
      << run.err;
  EXPECT_EQ(run.out, "");

  // The second run finds the registration and says nothing about it.
  const QorvRun again = sandbox.Run({"databases", "--server", "127.0.0.1:1"});
  EXPECT_EQ(again.exit_code, 3);
  EXPECT_EQ(again.err.find("registered"), std::string::npos) << again.err;
}

TEST(QorvProgramTest, MissingModuleExplainsHowToRegister) {
  QorvSandbox sandbox;
  const QorvRun run = sandbox.Run(
      {"databases", "--server", "127.0.0.1:1", "--module", sandbox.Child("nowhere/libqorvsdk.so")});
  EXPECT_EQ(run.exit_code, 9);
  EXPECT_NE(run.err.find("qorvreg"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("nowhere/libqorvsdk.so"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace qorv::cli
