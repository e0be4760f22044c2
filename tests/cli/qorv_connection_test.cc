// The connection options reach the SDK: key files for a Blowfish server's
// login, and a proxy for the connect.
#include <gtest/gtest.h>

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
