// qorv run as a program: help, usage errors and their exit statuses, and
// finding the SDK through a registry that does not know it yet.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/commands.h"
#include "cli/global_options.h"
#include "cli/help_text.h"
#include "cli/prompt_answers.h"
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
                           "--json", "Exit status:", "  8  canceled"}) {
    EXPECT_NE(run.out.find(text), std::string::npos) << text;
  }
  // The answers to the SDK's questions belong to the commands that ask.
  for (const char* option : {"--replace", "--yes", "--purge"}) {
    EXPECT_EQ(run.out.find(option), std::string::npos) << option;
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
  run = sandbox.Run({"get", "$/A", "--file-time", "never"}, login);
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.err.find("--file-time \"never\""), std::string::npos) << run.err;
  // A merge program that cannot be run is a local failure, found as early.
  run = sandbox.Run({"get", "$/A", "--merge", "no-such-merge-program"}, login);
  EXPECT_EQ(run.exit_code, 7);
  EXPECT_FALSE(std::filesystem::exists(sandbox.registry()));
}

TEST(QorvProgramTest, VersionAndShortOptions) {
  QorvSandbox sandbox;
  const QorvRun run = sandbox.Run({"--version"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out.rfind("qorv ", 0), 0u) << run.out;
}

// --json is honoured by --help and --version, and refused by the demo,
// whose output is for people; it is never ignored.
TEST(QorvProgramTest, JsonIsHonouredOrRefusedNeverIgnored) {
  QorvSandbox sandbox;
  QorvRun run = sandbox.Run({"--json", "--version"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out.rfind(R"({"command":"version","ok":true)", 0), 0u) << run.out;
  EXPECT_NE(run.out.find(R"("data":{"version":")"), std::string::npos) << run.out;
  for (const std::vector<std::string>& line :
       {std::vector<std::string>{"--json", "--help"}, {"--json", "ls", "--help"}}) {
    run = sandbox.Run(line);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out.rfind(R"({"command":"help","ok":true)", 0), 0u) << run.out;
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << "one document on one line";
  }
  run = sandbox.Run({"--json", "ls", "--help"});
  EXPECT_NE(run.out.find(R"(Usage: qorv ls)"), std::string::npos) << run.out;

  run = sandbox.Run({"--json", "demo"});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out.rfind(R"({"command":"demo","ok":false,"exit_status":2)", 0), 0u) << run.out;
  EXPECT_EQ(run.out.find("Working in"), std::string::npos) << "the demo must not have run";
}

// An answer option is an option of the commands whose operations ask its
// question: get asks about writable local copies, ls nothing.
TEST(QorvProgramTest, AnswerOptionsOnlyWithTheCommandsThatAsk) {
  QorvSandbox sandbox;
  const QorvRun run = sandbox.Run({"ls", "--yes"});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.err.find("unknown option --yes"), std::string::npos) << run.err;

  const Command get = GetCommand();
  const std::string help = CommandHelp(get);
  for (const char* option : {"--replace", "--skip", "--merge TOOL", "--yes", "--no"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(help.find("--purge"), std::string::npos) << help;
  // Its answers are read like any other.
  CommandLine line;
  std::string error;
  ASSERT_TRUE(ParseCommandLine(
      {"get", "--merge", "meld", "Game"}, GlobalOptionSpecs(),
      [&get](std::string_view) -> const std::vector<OptionSpec>* { return &get.options; }, &line,
      &error))
      << error;
  GlobalOptions globals;
  ASSERT_TRUE(ResolveGlobalOptions(
      line.options, [](const char*) { return std::optional<std::string>(); }, &globals, &error));
  EXPECT_EQ(globals.answers.writable_file, Enum_WritableFileHandlingMerge);
  EXPECT_EQ(line.arguments, std::vector<std::string>({"Game"}));
}

// The usage errors say what form was expected.
TEST(QorvProgramTest, UsageErrorsShowTheExpectedForm) {
  QorvSandbox sandbox;
  QorvRun run = sandbox.Run({"--server", "buildhost", "ls"});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.err.find("HOST:PORT or [v6-address]:PORT"), std::string::npos) << run.err;

  run = sandbox.Run({"serve", "--data", sandbox.Child("data"), "extra"});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.err.find("serve: too many arguments (\"extra\"): serve takes none"),
            std::string::npos)
      << run.err;

  run = sandbox.Run({"history", "$/Game", "--since", "2024-03-02", "--until", "2024-03-01"},
                    {{"QORV_SERVER", "127.0.0.1:1"}, {"QORV_USER", "u"}, {"QORV_DATABASE", "d"}});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.err.find("--since 2024-03-02 is later than --until 2024-03-01"), std::string::npos)
      << run.err;
  // The same day on both sides is that whole day.
  run = sandbox.Run({"history", "$/Game", "--since", "2024-03-01", "--until", "2024-03-01"},
                    {{"QORV_SERVER", "127.0.0.1:1"},
                     {"QORV_USER", "u"},
                     {"QORV_DATABASE", "d"},
                     {"QORV_PASSWORD", ""}});
  EXPECT_NE(run.exit_code, 2) << run.err;
}

TEST(QorvregProgramTest, HelpIsHelpNotAModule) {
  QorvSandbox sandbox;
  for (const char* help : {"--help", "-h"}) {
    const QorvRun run = sandbox.RunProgram(QORV_TEST_QORVREG_PATH, {help});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out.rfind("usage: qorvreg", 0), 0u) << run.out;
  }
  const QorvRun run = sandbox.RunProgram(QORV_TEST_QORVREG_PATH, {"--frobnicate"});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.err.find("unknown option --frobnicate"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(sandbox.registry()));
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
