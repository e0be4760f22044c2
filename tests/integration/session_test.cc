// ConnectToServer and Login through the interface: the report lines in
// order, a refused password, the keyed login with server-issued key files,
// and state that a failed call leaves as it was.
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sdk_fixture.h"
#include "server/admin_commands.h"

namespace qorv::integration {
namespace {

class SessionTest : public SdkTest {
 protected:
  // A key file issued by the server's administration for `user` and
  // `server_name`; `new_key` gives the user a new key first.
  std::string IssueKeyFile(const std::string& name, const std::string& user,
                           const std::string& server_name, bool new_key = false) {
    const std::string file = temp_.Child(name);
    std::vector<std::string> arguments = {
        "issue-key", "--data",   data_directory_, "--db",  "Main", "--user",
        user,        "--server", server_name,     "--out", file};
    if (new_key) arguments.push_back("--new-key");
    std::ostringstream out, err;
    EXPECT_EQ(server::RunAdminCommand(arguments, out, err), 0) << err.str();
    return file;
  }
};

TEST_F(SessionTest, PlainConnectAndLoginReportTheirStepsInOrder) {
  SdkClient client;
  bool connected = false;
  LONG mode = -1;
  const SdkClient::Outcome connect = client.Connect("127.0.0.1", port(), &connected, &mode);
  EXPECT_EQ(connect.result, 0);
  EXPECT_EQ(connect.description, "Connected to server successfully");
  EXPECT_FALSE(connect.canceled);
  EXPECT_TRUE(connected);
  EXPECT_EQ(mode, Enum_Unencrypted);

  LONG expire_days = -1;
  const SdkClient::Outcome login = client.Login("alice", "secret", {}, &expire_days);
  EXPECT_EQ(login.result, 0);
  EXPECT_EQ(expire_days, 0);
  const Batches expected = {{{true, "Connecting to server..."}},
                            {{true, "Connected to server successfully"}},
                            {{true, "Logging in database..."}},
                            {{true, login.description}}};
  EXPECT_EQ(client.sink().batches, expected);
  // Every event ran on the caller's thread.
  for (std::thread::id thread : client.sink().threads) {
    EXPECT_EQ(thread, std::this_thread::get_id());
  }
}

TEST_F(SessionTest, AWrongPasswordFailsWithTheServersTextAndKeepsTheLongOut) {
  SdkClient client;
  ASSERT_EQ(client.Connect("127.0.0.1", port()).result, 0);
  client.sink().Clear();
  LONG expire_days = 0;
  const SdkClient::Outcome login = client.Login("alice", "wrong", {}, &expire_days);
  EXPECT_EQ(login.result, 40003);
  EXPECT_EQ(login.description, "Invalid user name or password");
  EXPECT_EQ(expire_days, -7);  // as the caller passed it
  EXPECT_EQ(client.sink().batches, (Batches{{{true, "Logging in database..."}},
                                            {{false, "Invalid user name or password"}}}));
}

TEST_F(SessionTest, TheKeyedLoginTakesTheFirstMatchingKeyFile) {
  StartServer(/*mode=*/1);
  // Issued for the name in upper case; the client connects to "localhost".
  const std::string stale = IssueKeyFile("stale.key", "alice", "LOCALHOST");
  const std::string current = IssueKeyFile("current.key", "alice", "LOCALHOST", true);
  const std::string for_bob = IssueKeyFile("bob.key", "bob", "LOCALHOST");
  const std::string other_server = IssueKeyFile("other.key", "alice", "10.1.2.3");

  auto login_with = [&](const std::vector<std::string>& files) {
    SdkClient client;
    LONG mode = -1;
    EXPECT_EQ(client.Connect("localhost", port(), nullptr, &mode).result, 0);
    EXPECT_EQ(mode, Enum_BlowFish);
    return client.Login("Alice", "secret", files);
  };
  // Blank names are skipped, unreadable and foreign files passed over; the
  // current file matches although its server name differs in letter case.
  SdkClient::Outcome login = login_with(
      {"   ", "", temp_.Child("missing.key"), for_bob, other_server, "  " + current + " \t"});
  EXPECT_EQ(login.result, 0) << login.description;
  // The first match wins: the stale file comes first and its key no longer
  // fits; files after it are not used.
  login = login_with({stale, current});
  EXPECT_EQ(login.result, 40004);
  EXPECT_EQ(login.description, "The user key does not match");
  // No matching file: the zero key, which a user with a key cannot use.
  login = login_with({for_bob});
  EXPECT_EQ(login.result, 40004);
  login = login_with({current, stale});
  EXPECT_EQ(login.result, 0) << login.description;
}

TEST_F(SessionTest, FailedCallsLeaveTheConnectAndLoginStateAsTheyWere) {
  SdkClient client;
  ASSERT_EQ(client.Connect("127.0.0.1", port()).result, 0);
  ASSERT_EQ(client.Login("alice", "secret").result, 0);
  // A login that fails keeps the saved user, database and cache.
  EXPECT_EQ(client.Login("bob", "wrong").result, 40003);

  // A connect that fails (nothing listens there) closes the connection but
  // keeps the saved server and port.
  uint16_t dead_port = 0;
  {
    server::ServerConfig config;
    config.data_directory = temp_.Child("unused");
    std::filesystem::create_directories(config.data_directory);
    server::Server probe(config);
    std::string error;
    ASSERT_TRUE(probe.Start(&error)) << error;
    dead_port = probe.port();
  }
  bool connected = true;
  LONG mode = 0;
  EXPECT_NE(client.Connect("localhost", dead_port, &connected, &mode).result, 0);
  EXPECT_FALSE(connected);
  EXPECT_EQ(mode, -7);  // as the caller passed it

  // The next query reconnects to the saved server, logs in as alice again
  // and uses alice's cache of that server.
  MustCreateProject("$/Kept");
  IQORVSubProjectsFromParentSet* projects = nullptr;
  VARIANT_BOOL canceled = VARIANT_FALSE;
  BSTR description = nullptr;
  LONG result = -1;
  Text root("$/");
  ASSERT_EQ(client->GetSubProjectsFromParent(root, &projects, &canceled, &description, &result),
            S_OK);
  const std::string text = TakeText(description);
  EXPECT_EQ(result, 0) << text;
  LONG count = 0;
  projects->get_Count(&count);
  EXPECT_EQ(count, 1);
  projects->Release();
  EXPECT_TRUE(std::filesystem::exists(CacheFilePath("127.0.0.1", "alice")));
  EXPECT_FALSE(std::filesystem::exists(CacheFilePath("localhost", "alice")));
  EXPECT_FALSE(std::filesystem::exists(CacheFilePath("127.0.0.1", "bob")));
}

}  // namespace
}  // namespace qorv::integration
