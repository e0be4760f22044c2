// qorvd as a program: its help, its configuration, and a restart on the same
// data directory with the data intact.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/captured_program.h"
#include "platform/process.h"
#include "server/admin_commands.h"
#include "server/server.h"
#include "server/server_config.h"
#include "server/test_client.h"
#include "support/scoped_temp.h"

namespace qorv::server::testing {
namespace {

constexpr int kTimeoutMs = 20000;

// Runs qorvd to its end; its exit code, with its standard output in *output.
int RunQorvd(const std::vector<std::string>& arguments, std::string* output) {
  platform::CapturedProgram program;
  EXPECT_EQ(program.Start(QORVD_PATH, arguments, {}, ""), 0);
  int exit_code = -1;
  EXPECT_TRUE(program.Finish(kTimeoutMs, &exit_code));
  *output = program.out();
  return exit_code;
}

struct QorvdRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

QorvdRun RunQorvd(const std::vector<std::string>& arguments) {
  platform::CapturedProgram program;
  QorvdRun run;
  EXPECT_EQ(program.Start(QORVD_PATH, arguments, {}, ""), 0);
  EXPECT_TRUE(program.Finish(kTimeoutMs, &run.exit_code));
  run.out = program.out();
  run.err = program.err();
  return run;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The port of the "listening on 127.0.0.1:PORT" line in `output`, or 0.
uint16_t PortOf(const std::string& output) {
  const std::string prefix = "listening on 127.0.0.1:";
  const size_t at = output.find(prefix);
  if (at == std::string::npos) return 0;
  return static_cast<uint16_t>(std::stoi(output.substr(at + prefix.size())));
}

TEST(QorvdProgramTest, HelpExplainsEveryFlag) {
  std::string output;
  ASSERT_EQ(RunQorvd({"--help"}, &output), 0);
  for (const char* flag : {"--config", "--address", "--port", "--data", "--encryption",
                           "--versions", "--excluded-types", "--time-offset", "--fault-drop-after",
                           "--fault-delay-ms", "--fault-status", "qorvd admin"}) {
    EXPECT_NE(output.find(flag), std::string::npos) << flag;
  }
  ASSERT_EQ(RunQorvd({"admin", "--help"}, &output), 0);
  for (const char* command : {"create-db", "add-user", "import", "issue-key", "checkout-as"}) {
    EXPECT_NE(output.find(command), std::string::npos) << command;
  }
  // Mode 2 is refused with a reason, not started half-way.
  EXPECT_EQ(RunQorvd({"--data", "/nonexistent", "--encryption", "2"}, &output), 2);
}

TEST(QorvdProgramTest, HelpAndVersionInEveryUsualSpelling) {
  QorvdRun run = RunQorvd({"-h"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "Usage: qorvd")) << run.out;
  run = RunQorvd({"--version"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out.rfind("qorvd ", 0), 0u) << run.out;
  for (const char* help : {"--help", "-h"}) {
    run = RunQorvd({"admin", "add-user", help});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "--must-change-password")) << run.out;
    EXPECT_FALSE(Contains(run.out, "--folder")) << "only the command's own flags";
  }
}

// Each mistake says what is wrong and where; a bad value in the
// configuration file names its file and line.
TEST(QorvdProgramTest, MistakesInTheSettingsSayWhatAndWhere) {
  qorv::testing::ScopedTempFolder temp;
  QorvdRun run = RunQorvd({"--config", temp.path()});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_TRUE(Contains(run.err, "is a folder")) << run.err;

  const std::string file = temp.Child("qorvd.conf");
  qorv::testing::WriteTextFile(file, "data = /srv/qorv\n# the port\nport = 4o00\n");
  run = RunQorvd({"--config", file});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_TRUE(Contains(run.err, file + ":3: ")) << run.err;
  EXPECT_TRUE(Contains(run.err, "4o00")) << run.err;

  // A byte-order mark before the first key, as some editors write it.
  qorv::testing::WriteTextFile(file,
                               "\xEF\xBB\xBF"
                               "data = " +
                                   temp.Child("missing") + "\n");
  run = RunQorvd({"--config", file});
  EXPECT_EQ(run.exit_code, 1) << run.err;  // read the key, then found no directory
  EXPECT_TRUE(Contains(run.err, "does not exist")) << run.err;

  run = RunQorvd({"--data", file});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_TRUE(Contains(run.err, "is not a folder")) << run.err;
}

TEST(QorvdProgramTest, ListensOnIpv6Addresses) {
  qorv::testing::ScopedTempFolder temp;
  const std::string data = temp.Child("data");
  std::ostringstream out, err;
  ASSERT_EQ(RunAdminCommand({"create-db", "--data", data, "--db", "Main"}, out, err), 0);
  platform::CapturedProgram server;
  ASSERT_EQ(server.Start(QORVD_PATH, {"--data", data, "--address", "[::1]"}, {}, ""), 0);
  // Written as a client names the server.
  EXPECT_TRUE(server.WaitForOutput("listening on [::1]:", kTimeoutMs))
      << server.out() << server.err();
  server.Terminate();
  int exit_code = -1;
  ASSERT_TRUE(server.Finish(kTimeoutMs, &exit_code));
  EXPECT_EQ(exit_code, 0) << server.err();

  // "::" takes IPv4 clients as well.
  ServerConfig config;
  config.data_directory = data;
  config.address = "::";
  Server any(config);
  std::string error;
  ASSERT_TRUE(any.Start(&error)) << error;
  TestClient client(any.port());
  EXPECT_EQ(client.Connect().result, 0);
  client.connection().Close();
}

// With no client, a stop takes no poll interval: the accept wait is woken.
TEST(ServerStartTest, StopWithoutClientsIsImmediate) {
  qorv::testing::ScopedTempFolder temp;
  std::filesystem::create_directories(temp.Child("data"));
  ServerConfig config;
  config.data_directory = temp.Child("data");
  int64_t slowest_ms = 0;
  for (int run = 0; run < 5; ++run) {
    Server server(config);
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    // The accept loop is in its wait by now.
    platform::SleepMs(50);
    const auto start = std::chrono::steady_clock::now();
    server.Stop();
    slowest_ms =
        std::max<int64_t>(slowest_ms, std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - start)
                                          .count());
  }
  // A stop that waited for the end of the poll interval (300 ms) would take
  // about 250 ms here.
  EXPECT_LT(slowest_ms, 100);
}

TEST(QorvdProgramTest, RestartOnTheSameDataDirectoryKeepsTheData) {
  qorv::testing::ScopedTempFolder temp;
  const std::string data = temp.Child("data");
  const std::string folder = temp.Child("source");
  std::filesystem::create_directories(folder + "/lib");
  qorv::testing::WriteTextFile(folder + "/main.c", "int main() {}\n");
  qorv::testing::WriteTextFile(folder + "/lib/util.c", "void util() {}\n");
  std::string output;
  ASSERT_EQ(RunQorvd({"admin", "create-db", "--data", data, "--db", "Main"}, &output), 0);
  ASSERT_EQ(RunQorvd({"admin", "add-user", "--data", data, "--db", "Main", "--user", "alice",
                      "--password", "secret", "--password-iterations", "1000"},
                     &output),
            0);
  ASSERT_EQ(RunQorvd({"admin", "import", "--data", data, "--db", "Main", "--folder", folder,
                      "--project", "$/Game"},
                     &output),
            0);

  for (int run = 0; run < 2; ++run) {
    platform::CapturedProgram server;
    ASSERT_EQ(
        server.Start(QORVD_PATH, {"--data", data, "--port", "0", "--password-iterations", "1000"},
                     {}, ""),
        0);
    // The whole line: its prefix, then the end of the line after it.
    ASSERT_TRUE(server.WaitForOutput("listening on", kTimeoutMs));
    for (int waited = 0;
         server.out().find('\n', server.out().find("listening on")) == std::string::npos;
         waited += 50) {
      ASSERT_LT(waited, kTimeoutMs);
      server.WaitForOutput("\n\n\n", 50);  // collects what arrives meanwhile
    }
    const uint16_t port = PortOf(server.out());
    ASSERT_NE(port, 0) << server.out();

    TestClient client(port);
    ASSERT_EQ(client.Connect().result, 0);
    ASSERT_GT(client.Login("Main", "alice", "secret"), 0);
    if (run == 0) {
      Reply reply = client.Call(4, [](COutMessage& out) {
        out.AppendString("made in the first run");
        AppendStrings(out, {"$/Game/Docs"});
      });
      ASSERT_EQ(reply.status, 0) << reply.text;
      ASSERT_EQ(client.in().ReadInt32(), 0);
    } else {
      Reply reply = client.Call(3, [](COutMessage& out) {
        out.AppendString("$/Game");
        out.AppendBool(true);
      });
      ASSERT_EQ(reply.status, 0) << reply.text;
      std::vector<std::string> names;
      const int32_t count = client.in().ReadInt32();
      for (int32_t i = 0; i < count; ++i) {
        names.push_back(client.in().ReadString());
        client.in().ReadBool();
        for (int k = 0; k < 3; ++k) client.in().ReadInt32();
      }
      EXPECT_EQ(names, (std::vector<std::string>{"Docs", "lib", "lib/util.c", "main.c"}));
    }
    client.connection().Close();
    server.Interrupt();  // Ctrl-C: a clean shutdown
    int exit_code = -1;
    ASSERT_TRUE(server.Finish(kTimeoutMs, &exit_code));
    EXPECT_EQ(exit_code, 0);
  }
}

TEST(ServeArgumentsTest, FlagsWinOverTheConfigurationFile) {
  qorv::testing::ScopedTempFolder temp;
  const std::string file = temp.Child("qorvd.conf");
  qorv::testing::WriteTextFile(file,
                               "# a comment\n"
                               "data = /srv/qorv\n"
                               "port = 4000\n"
                               "encryption = 1\n"
                               "versions = 5.0,5.2\n"
                               "time-offset = -1.5\n"
                               "fault-status = 44:40501\n");
  ServeRequest request;
  std::string error;
  ASSERT_TRUE(ParseServeArguments(
      {"--config", file, "--port=5000", "--fault-status", "3:40599:no listing"}, &request, &error))
      << error;
  EXPECT_EQ(request.config.data_directory, "/srv/qorv");
  EXPECT_EQ(request.config.port, 5000);
  EXPECT_EQ(request.config.encryption_mode, 1);
  EXPECT_EQ(request.config.accepted_versions, "5.0,5.2");
  EXPECT_EQ(request.config.time_offset_hours, -1.5);
  // The flag's statuses replace the file's.
  ASSERT_EQ(request.config.faults.injected_statuses.size(), 1u);
  EXPECT_EQ(request.config.faults.injected_statuses.at(3).status, 40599);
  EXPECT_EQ(request.config.faults.injected_statuses.at(3).text, "no listing");

  // Mode 2 needs its three files; given, they are kept.
  EXPECT_FALSE(ParseServeArguments(
      {"--data", "d", "--encryption", "2", "--cert", "c.pem", "--key", "k.pem"}, &request, &error));
  EXPECT_NE(error.find("--ca"), std::string::npos) << error;
  ASSERT_TRUE(ParseServeArguments(
      {"--data", "d", "--encryption", "2", "--cert", "c.pem", "--key", "k.pem", "--ca", "ca.pem"},
      &request, &error))
      << error;
  EXPECT_EQ(request.config.encryption_mode, 2);
  EXPECT_EQ(request.config.certificate_file, "c.pem");
  EXPECT_EQ(request.config.key_file, "k.pem");
  EXPECT_EQ(request.config.ca_file, "ca.pem");
  EXPECT_FALSE(ParseServeArguments({"--data", "d", "--encryption", "3"}, &request, &error));
  EXPECT_FALSE(ParseServeArguments({"--data", "d", "--port", "70000"}, &request, &error));
  EXPECT_FALSE(ParseServeArguments({"--port", "1"}, &request, &error));  // no data directory
  EXPECT_FALSE(ParseServeArguments({"--data", "d", "--fault-status", "3"}, &request, &error));
  EXPECT_FALSE(ParseServeArguments({"--data", "d", "--bogus"}, &request, &error));
  qorv::testing::WriteTextFile(file, "data /srv\n");
  EXPECT_FALSE(ParseServeArguments({"--config", file}, &request, &error));
}

TEST(ServerStartTest, AMissingDataDirectoryIsRefusedRatherThanServedEmpty) {
  ServerConfig config;
  config.data_directory = "/nonexistent/qorvd-data";
  Server server(config);
  std::string error;
  EXPECT_FALSE(server.Start(&error));
  EXPECT_NE(error.find("/nonexistent/qorvd-data"), std::string::npos) << error;
}

TEST(AdminCommandsTest, RefusesBadCommandLinesAndReportsStoreFailures) {
  qorv::testing::ScopedTempFolder temp;
  const std::string data = temp.Child("data");
  std::ostringstream out, err;
  EXPECT_EQ(RunAdminCommand({"create-db", "--data", data}, out, err), 2);  // --db missing
  EXPECT_EQ(RunAdminCommand({"frobnicate"}, out, err), 2);
  EXPECT_EQ(RunAdminCommand({"create-db", "--data", data, "--db", "../evil"}, out, err), 1);
  EXPECT_EQ(RunAdminCommand({"create-db", "--data", data, "--db", "Main"}, out, err), 0);
  EXPECT_EQ(RunAdminCommand({"add-user", "--data", data, "--db", "Main", "--user", "a",
                             "--password", "p", "--key", "0x1234"},
                            out, err),
            2);  // a bad flag value is a usage error
  EXPECT_EQ(RunAdminCommand({"issue-key", "--data", data, "--db", "Main", "--user", "nobody",
                             "--server", "s", "--out", temp.Child("k")},
                            out, err),
            1);
  EXPECT_EQ(RunAdminCommand({"checkout-as", "--data", data, "--db", "Main", "--user", "nobody",
                             "--path", "$/x"},
                            out, err),
            1);
}

// The way out for a user who must change the password while no client can.
TEST(AdminCommandsTest, SetPasswordEndsTheRequestToChangeIt) {
  qorv::testing::ScopedTempFolder temp;
  const std::string data = temp.Child("data");
  std::ostringstream out, err;
  ASSERT_EQ(RunAdminCommand({"create-db", "--data", data, "--db", "Main"}, out, err), 0);
  ASSERT_EQ(
      RunAdminCommand({"add-user", "--data", data, "--db", "Main", "--user", "ann", "--password",
                       "old", "--must-change-password", "--password-iterations", "1000"},
                      out, err),
      0);
  EXPECT_EQ(RunAdminCommand({"set-password", "--data", data, "--db", "Main", "--user", "nobody",
                             "--password", "new"},
                            out, err),
            1);
  ASSERT_EQ(RunAdminCommand({"set-password", "--data", data, "--db", "Main", "--user", "ann",
                             "--password", "new", "--password-iterations", "1000"},
                            out, err),
            0)
      << err.str();
  Database::Options options;
  options.password_iterations = 1000;
  DataDirectory directory(data, options);
  std::shared_ptr<Database> database;
  ASSERT_TRUE(directory.OpenDatabase("Main", &database).ok());
  UserRecord user;
  EXPECT_FALSE(database->Authenticate("ann", "old", &user).ok());
  ASSERT_TRUE(database->Authenticate("ann", "new", &user).ok());
  EXPECT_FALSE(user.must_change_password);
}

}  // namespace
}  // namespace qorv::server::testing
