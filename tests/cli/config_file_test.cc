// qorv's defaults from the environment and its configuration file: the
// file's format and its errors, which source wins, the rule for a password
// in a file others may read, and qorv itself reading the file and taking
// --timeout to the SDK.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>

#include "cli/config_file.h"
#include "cli/global_options.h"
#include "platform/socket.h"
#include "qorv_program.h"
#include "support/scoped_temp.h"

namespace qorv::cli {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

ConfigFile Parsed(const std::string& text, bool owner_only = true) {
  ConfigFile file;
  file.path = "/home/u/.config/qorv/config";
  file.owner_only = owner_only;
  std::string error;
  EXPECT_TRUE(ParseConfigText(text, &file, &error)) << error;
  return file;
}

std::string ParseError(const std::string& text) {
  ConfigFile file;
  file.path = "cfg";
  std::string error;
  EXPECT_FALSE(ParseConfigText(text, &file, &error)) << text;
  return error;
}

TEST(ConfigFileTest, ReadsKeysAndValuesAroundCommentsAndBlanks) {
  const ConfigFile file = Parsed(
      "# defaults\n"
      "\n"
      "  server =  build.example:2001  \r\n"
      "user=alice\n"
      "password = p#ss = word\n"
      "key-file = /keys/a.key\n"
      "\t# key-file = /keys/off.key\n"
      "key-file = /keys/b.key\n"
      "database =\n"
      "timeout = 20");
  std::vector<std::string> seen;
  for (const ConfigEntry& entry : file.entries) {
    seen.push_back(entry.key + "=" + entry.value + "@" + std::to_string(entry.line));
  }
  EXPECT_EQ(seen,
            (std::vector<std::string>{"server=build.example:2001@3", "user=alice@4",
                                      "password=p#ss = word@5", "key-file=/keys/a.key@6",
                                      "key-file=/keys/b.key@8", "database=@9", "timeout=20@10"}));
  EXPECT_EQ(file.FindAll("key-file").size(), 2u);
  EXPECT_EQ(file.Find("proxy"), nullptr);
}

TEST(ConfigFileTest, ErrorsNameTheFileAndLine) {
  EXPECT_EQ(ParseError("user = a\n\nserver build:1\n"),
            "cfg:3: expected \"key = value\", not \"server build:1\"");
  EXPECT_TRUE(Contains(ParseError("# x\nservre = build:1\n"), "cfg:2: unknown key \"servre\""));
  EXPECT_TRUE(Contains(ParseError("= value\n"), "cfg:1: unknown key \"\""));
  EXPECT_EQ(ParseError("user = a\ndatabase = d\nuser = b\n"),
            "cfg:3: user is set twice (also on line 1)");
  // Options that are no connection defaults have no key.
  EXPECT_TRUE(Contains(ParseError("json = 1\n"), "cfg:1: unknown key \"json\""));
}

// Resolves with the command line `arguments`, the variables and the file.
struct Resolved {
  bool ok = false;
  GlobalOptions globals;
  std::string error;
};

Resolved Resolve(const std::vector<std::string>& arguments,
                 const std::map<std::string, std::string>& variables, const ConfigFile& config) {
  Resolved resolved;
  CommandLine line;
  std::vector<std::string> words = arguments;
  words.push_back("ls");
  const std::vector<OptionSpec> no_options;
  EXPECT_TRUE(ParseCommandLine(
      words, GlobalOptionSpecs(),
      [&](std::string_view) -> const std::vector<OptionSpec>* { return &no_options; }, &line,
      &resolved.error))
      << resolved.error;
  const EnvironmentLookup environment = [&](const char* name) -> std::optional<std::string> {
    const auto found = variables.find(name);
    if (found == variables.end()) return std::nullopt;
    return found->second;
  };
  resolved.ok =
      ResolveGlobalOptions(line.options, environment, config, &resolved.globals, &resolved.error);
  return resolved;
}

TEST(ConfigFileTest, OptionsWinOverVariablesWhichWinOverTheFile) {
  const ConfigFile file = Parsed(
      "server = file-host:1\nuser = file-user\ndatabase = FileDb\nproxy = socks4://file:9\n"
      "key-file = /f/1.key\nkey-file = /f/2.key\nca-file = /f/ca.pem\ntimeout = 30\n");
  // The file alone.
  Resolved r = Resolve({}, {}, file);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.globals.server->host, "file-host");
  EXPECT_EQ(r.globals.user, "file-user");
  EXPECT_EQ(r.globals.database, "FileDb");
  EXPECT_EQ(r.globals.proxy.host, "file");
  EXPECT_EQ(r.globals.key_files, (std::vector<std::string>{"/f/1.key", "/f/2.key"}));
  EXPECT_EQ(r.globals.transfer.ca_file, "/f/ca.pem");
  EXPECT_EQ(r.globals.transfer.timeout_seconds, 30);

  // Variables over the file; an empty one counts as not set.
  r = Resolve({},
              {{"QORV_SERVER", "env-host:2"},
               {"QORV_USER", ""},
               {"QORV_KEY_FILES", "/e/1.key::/e/2.key"},
               {"QORV_TIMEOUT", "5"},
               {"QORV_CA_FILE", "/e/ca.pem"}},
              file);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.globals.server->host, "env-host");
  EXPECT_EQ(r.globals.user, "file-user");
  EXPECT_EQ(r.globals.key_files, (std::vector<std::string>{"/e/1.key", "/e/2.key"}));
  EXPECT_EQ(r.globals.transfer.timeout_seconds, 5);
  EXPECT_EQ(r.globals.transfer.ca_file, "/e/ca.pem");

  // Options over both.
  r = Resolve(
      {"--server", "flag-host:3", "--user", "flag-user", "--key-file", "/o.key", "--timeout", "0"},
      {{"QORV_SERVER", "env-host:2"}, {"QORV_TIMEOUT", "5"}}, file);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.globals.server->host, "flag-host");
  EXPECT_EQ(r.globals.user, "flag-user");
  EXPECT_EQ(r.globals.key_files, (std::vector<std::string>{"/o.key"}));
  EXPECT_EQ(r.globals.transfer.timeout_seconds, 0);
  EXPECT_TRUE(r.globals.warnings.empty());
}

TEST(ConfigFileTest, BadValuesSayWhereTheyCameFrom) {
  Resolved r = Resolve({}, {}, Parsed("user = u\ntimeout = 3601\n"));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error,
            "/home/u/.config/qorv/config:2: the time-out takes whole seconds from 0 to 3600, "
            "not \"3601\"");
  r = Resolve({}, {{"QORV_TIMEOUT", "1.5"}}, ConfigFile());
  EXPECT_TRUE(Contains(r.error, "QORV_TIMEOUT: the time-out takes whole seconds")) << r.error;
  for (const char* bad : {"-1", "", "99999999999"}) {
    EXPECT_FALSE(Resolve({"--timeout", bad}, {}, ConfigFile()).ok) << bad;
  }
}

TEST(ConfigFileTest, ThePasswordComesFromAFileOnlyItsOwnerMayRead) {
  Resolved r = Resolve({}, {}, Parsed("password = secret\n", /*owner_only=*/true));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.globals.password, "secret");
  EXPECT_TRUE(r.globals.warnings.empty());
  // An empty value is the empty password, as an empty QORV_PASSWORD is.
  r = Resolve({}, {}, Parsed("password =\n"));
  EXPECT_EQ(r.globals.password, "");

  r = Resolve({}, {}, Parsed("password = secret\n", /*owner_only=*/false));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_FALSE(r.globals.password.has_value());
  ASSERT_EQ(r.globals.warnings.size(), 1u);
  EXPECT_TRUE(Contains(r.globals.warnings[0],
                       "ignoring the password in "
                       "/home/u/.config/qorv/config"))
      << r.globals.warnings[0];
  // The variable and the option win over the file's password.
  r = Resolve({}, {{"QORV_PASSWORD", "env"}}, Parsed("password = secret\n"));
  EXPECT_EQ(r.globals.password, "env");
  r = Resolve({"--password", "opt"}, {{"QORV_PASSWORD", "env"}}, Parsed("password = secret\n"));
  EXPECT_EQ(r.globals.password, "opt");
}

TEST(ConfigFileOnDisk, ModeDecidesWhetherTheFileIsPrivate) {
  using std::filesystem::perms;
  testing::ScopedTempFolder folder;
  const std::string path = folder.Child("config");
  std::ofstream(path) << "user = a\n";
  ConfigFile file;
  std::string error;
  for (perms extra : {perms::none, perms::group_read, perms::others_read, perms::group_write}) {
    std::filesystem::permissions(path, perms::owner_read | perms::owner_write | extra);
    ASSERT_TRUE(LoadConfigFile(path, &file, &error)) << error;
    EXPECT_EQ(file.owner_only, extra == perms::none);
    EXPECT_EQ(file.Find("user")->value, "a");
  }
  // No file is no configuration; a folder in its place is an error.
  ASSERT_TRUE(LoadConfigFile(folder.Child("none/config"), &file, &error));
  EXPECT_TRUE(file.entries.empty());
  EXPECT_FALSE(LoadConfigFile(folder.path(), &file, &error));
  EXPECT_TRUE(Contains(error, "cannot read the configuration file")) << error;
}

TEST(ConfigFilePath, XdgConfigHomeElseHome) {
  std::map<std::string, std::string> variables;
  const ConfigEnvironment environment = [&](const char* name) -> std::optional<std::string> {
    const auto found = variables.find(name);
    if (found == variables.end()) return std::nullopt;
    return found->second;
  };
  EXPECT_EQ(ConfigFilePath(environment), "");
  variables["HOME"] = "/home/u";
  EXPECT_EQ(ConfigFilePath(environment), "/home/u/.config/qorv/config");
  variables["XDG_CONFIG_HOME"] = "relative";
  EXPECT_EQ(ConfigFilePath(environment), "/home/u/.config/qorv/config");
  variables["XDG_CONFIG_HOME"] = "/cfg";
  EXPECT_EQ(ConfigFilePath(environment), "/cfg/qorv/config");
}

// qorv itself: the sandbox's XDG_CONFIG_HOME holds the file.
class QorvConfigTest : public ::testing::Test {
 protected:
  void WriteConfig(const std::string& text, std::filesystem::perms perms) {
    std::filesystem::create_directories(sandbox_.Child("config/qorv"));
    const std::string path = ConfigPath();
    std::ofstream(path) << text;
    std::filesystem::permissions(path, perms);
  }
  std::string ConfigPath() const { return sandbox_.Child("config/qorv/config"); }
  QorvSandbox sandbox_;
};

TEST_F(QorvConfigTest, AParsingErrorIsAUsageErrorWithTheLine) {
  WriteConfig("user = u\nserver: 127.0.0.1:1\n", std::filesystem::perms::owner_read);
  const QorvRun run = sandbox_.Run({"ls"});
  EXPECT_EQ(run.exit_code, 2) << run.err;
  EXPECT_TRUE(Contains(run.err, "qorv: " + ConfigPath() + ":2: expected \"key = value\""))
      << run.err;
  // Help and the version still answer, with the error as a warning.
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{"--version"}, std::vector<std::string>{"help", "ls"}}) {
    const QorvRun information = sandbox_.Run(words);
    EXPECT_EQ(information.exit_code, 0) << words[0] << ": " << information.err;
    EXPECT_FALSE(information.out.empty()) << words[0];
    EXPECT_TRUE(Contains(information.err, "qorv: warning: " + ConfigPath() + ":2:"))
        << information.err;
  }
}

TEST_F(QorvConfigTest, ThePasswordOfAReadableFileIsIgnoredWithAWarning) {
  using std::filesystem::perms;
  WriteConfig("server = 127.0.0.1:1\nuser = u\ndatabase = d\npassword = pw\n",
              perms::owner_read | perms::owner_write | perms::group_read | perms::others_read);
  QorvRun run = sandbox_.Run({"ls"});
  EXPECT_TRUE(Contains(run.err, "qorv: warning: ignoring the password in " + ConfigPath()))
      << run.err;
  // The rest of the file holds: the command got as far as the file's server.
  EXPECT_TRUE(Contains(run.err, "127.0.0.1:1")) << run.err;
  EXPECT_EQ(run.exit_code, 3) << run.err;

  std::filesystem::permissions(ConfigPath(), perms::owner_read | perms::owner_write);
  run = sandbox_.Run({"ls"});
  EXPECT_FALSE(Contains(run.err, "warning")) << run.err;
}

// --timeout reaches the SDK: a server whose system takes the connection but
// which never answers fails the command after about the time-out.
TEST_F(QorvConfigTest, TimeoutEndsTheWaitForASilentServer) {
  const platform::SocketHandle silent = platform::ListenOn("127.0.0.1", 0, 4);
  ASSERT_NE(silent, platform::kInvalidSocket);
  const std::string server = "127.0.0.1:" + std::to_string(platform::LocalPort(silent));
  const auto start = std::chrono::steady_clock::now();
  const QorvRun run = sandbox_.Run(
      {"--timeout", "1", "--server", server, "-u", "u", "-d", "d", "--password", "", "ls"});
  const auto waited = std::chrono::steady_clock::now() - start;
  platform::CloseSocket(silent);
  EXPECT_EQ(run.exit_code, 3) << run.err;
  EXPECT_TRUE(Contains(run.err, "Error at select(): time out")) << run.err;
  EXPECT_LT(waited, std::chrono::seconds(10));
}

}  // namespace
}  // namespace qorv::cli
