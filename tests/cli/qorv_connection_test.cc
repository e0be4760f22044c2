// The connection options reach the SDK: key files for a Blowfish server's
// login, and a proxy for the connect.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "qorv_program.h"
#include "sample_server.h"
#include "server/admin_commands.h"

namespace qorv::cli {
namespace {

TEST(QorvConnectionTest, KeyFilesServeTheLoginOfABlowfishServer) {
  SampleServer server(/*encryption_mode=*/1);
  QorvSandbox sandbox;
  const std::string key_file = sandbox.Child("alice.key");
  std::ostringstream out, err;
  ASSERT_EQ(server::RunAdminCommand(
                {"issue-key", "--data", server.data_directory(), "--db", kSampleDatabase, "--user",
                 kSampleUser, "--server", "127.0.0.1", "--out", key_file},
                out, err),
            0)
      << err.str();

  // A file that cannot be read is passed over; the next one matches.
  QorvRun run = sandbox.Run(
      {"--key-file", sandbox.Child("missing.key"), "--key-file", key_file, "count", "$/Game/src"},
      server.Login());
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "2\n");

  // Without the key the login cannot succeed.
  run = sandbox.Run({"count", "$/Game/src"}, server.Login());
  EXPECT_EQ(run.exit_code, 4) << run.err;
  EXPECT_EQ(run.out, "");
}

// Key files the login cannot use are named with the reason, on a plain
// server too, and the login goes on without them.
TEST(QorvConnectionTest, UnusableKeyFilesAreNamedWithTheReason) {
  SampleServer server;
  QorvSandbox sandbox;
  const std::string missing = sandbox.Child("missing.key");
  const std::string folder = sandbox.Child("keys");
  std::filesystem::create_directories(folder);
  const std::string garbage = sandbox.Child("garbage.key");
  std::ofstream(garbage) << "PNG\x01\x02 not a key\n";
  std::ostringstream out, err;
  const std::string bobs = sandbox.Child("bob.key");
  ASSERT_EQ(server::RunAdminCommand(
                {"issue-key", "--data", server.data_directory(), "--db", kSampleDatabase, "--user",
                 kSampleSecondUser, "--server", "127.0.0.1", "--out", bobs},
                out, err),
            0)
      << err.str();
  const QorvRun run = sandbox.Run({"-q", "--key-file", missing, "--key-file", folder, "--key-file",
                                   garbage, "--key-file", bobs, "count", "$/Game"},
                                  server.Login());
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "1\n");
  for (const std::string& expected :
       {"warning: key file " + missing + " cannot be used: No such file or directory\n",
        "warning: key file " + folder + " cannot be used: it is a folder\n",
        "warning: key file " + garbage + " cannot be used: it is not a user key file",
        "warning: key file " + bobs + " cannot be used: it is the key of user bob, not of alice"}) {
    EXPECT_NE(run.err.find(expected), std::string::npos) << expected << "\n" << run.err;
  }
}

TEST(QorvConnectionTest, AKeyedLoginWithoutAUsableKeySaysSo) {
  SampleServer server(/*encryption_mode=*/1);
  QorvSandbox sandbox;
  std::ostringstream out, err;
  // Issuing a key gives alice one, which her logins must then present.
  ASSERT_EQ(server::RunAdminCommand(
                {"issue-key", "--data", server.data_directory(), "--db", kSampleDatabase, "--user",
                 kSampleUser, "--server", "127.0.0.1", "--out", sandbox.Child("alice.key")},
                out, err),
            0)
      << err.str();
  QorvRun run = sandbox.Run({"count", "$/Game"}, server.Login());
  EXPECT_EQ(run.exit_code, 4) << run.err;
  EXPECT_NE(run.err.find("give the user's key file with --key-file"), std::string::npos) << run.err;
  run = sandbox.Run({"--json", "--key-file", sandbox.Child("none.key"), "count", "$/Game"},
                    server.Login());
  EXPECT_EQ(run.exit_code, 4);
  EXPECT_NE(run.out.find(R"("warnings":["key file )"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("none of the key files given could be used"), std::string::npos)
      << run.out;
}

// A proxy nobody runs cannot carry the connection: qorv must not have gone
// to the server directly.
TEST(QorvConnectionTest, AProxyIsUsedForTheConnect) {
  SampleServer server;
  QorvSandbox sandbox;
  for (const char* proxy : {"socks5://127.0.0.1:1", "http://user:pw@127.0.0.1:1"}) {
    const QorvRun run =
        sandbox.Run({"--json", "--proxy", proxy, "count", "$/Game"}, server.Login());
    EXPECT_EQ(run.exit_code, 3) << proxy << "\n" << run.out;
    EXPECT_NE(run.out.find(R"("method":"ConnectToServer")"), std::string::npos) << run.out;
  }
  // The same command without the proxy works.
  EXPECT_EQ(sandbox.Run({"count", "$/Game"}, server.Login()).exit_code, 0);
}

}  // namespace
}  // namespace qorv::cli
