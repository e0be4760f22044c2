// ConnectToServer and Login against a scripted server: what each leaves in
// the session on success and on failure, the report lines when the server
// sends no description, and a cache that cannot be opened.
#include <gtest/gtest.h>

#include <string>

#include "ops/session.h"
#include "ops_fixture.h"

namespace qorv::ops {
namespace {

using testing::Wire;
using Batches = std::vector<std::vector<ReportLine>>;

class SessionTest : public OperationTest {
 protected:
  int32_t Connect(const std::string& server, uint16_t port, OperationStatus* status) {
    ConnectOutputs outputs;
    ConnectArguments arguments;
    arguments.server = server;
    arguments.server_port = 0x10000 + port;  // only the low 16 bits count
    return ConnectToServer(context(), arguments, status, &outputs);
  }
  int32_t LogIn(const std::string& user, OperationStatus* status, LoginOutputs* outputs) {
    return Login(context(), {user, "pw", "main", {"  ", temp_.Child("no.key")}}, status, outputs);
  }
};

TEST_F(SessionTest, ASuccessfulConnectAndLoginFillTheSession) {
  OperationStatus status;
  ASSERT_EQ(Connect("LocalHost", server_.port(), &status), 0);
  EXPECT_EQ(session_.server_name, "LocalHost");
  EXPECT_EQ(session_.server_port, server_.port());
  EXPECT_EQ(session_.connected_server_name, "LOCALHOST");
  EXPECT_EQ(owner_.batches,
            (Batches{{{1, "Connecting to server..."}}, {{1, "Connected to server successfully"}}}));
  owner_.Clear();

  LoginOutputs outputs;
  ASSERT_EQ(LogIn("alice", &status, &outputs), 0);
  EXPECT_EQ(outputs.expire_days, 0);
  EXPECT_EQ(session_.user_name, "alice");
  EXPECT_EQ(session_.database, "main");
  ASSERT_NE(session_.cache, nullptr);
  EXPECT_TRUE(session_.cache->is_open());
  EXPECT_EQ(session_.cache->file_path(),
            temp_.Child("cache") + "/Brastovik/Quorvane for VSS/LocalHost__main_alice.qor");
  EXPECT_EQ(owner_.batches, (Batches{{{1, "Logging in database..."}}, {{1, "Welcome"}}}));
}

TEST_F(SessionTest, FailuresLeaveTheSessionAsItWas) {
  OperationStatus status;
  ASSERT_EQ(Connect("127.0.0.1", server_.port(), &status), 0);
  LoginOutputs outputs;
  ASSERT_EQ(LogIn("alice", &status, &outputs), 0);
  const CacheStore* cache = session_.cache.get();

  server_.ScriptLogin(Wire().Status(40003, "Invalid user name or password"));
  LoginOutputs refused;
  EXPECT_EQ(LogIn("bob", &status, &refused), 40003);
  EXPECT_FALSE(refused.expire_days.has_value());
  EXPECT_EQ(session_.user_name, "alice");
  EXPECT_EQ(session_.cache.get(), cache);

  // Port 1 on loopback: nothing listens there.
  OperationStatus failed;
  EXPECT_NE(Connect("localhost", 1, &failed), 0);
  EXPECT_EQ(session_.server_name, "127.0.0.1");
  EXPECT_EQ(session_.connected_server_name, "127.0.0.1");
  EXPECT_EQ(session_.server_port, server_.port());
}

TEST_F(SessionTest, ALoginWithoutADescriptionReportsOnlyItsHeading) {
  OperationStatus status;
  ASSERT_EQ(Connect("127.0.0.1", server_.port(), &status), 0);
  server_.ScriptLogin(Wire().Status(0, "").Bool(true).Int32(30).Int32(5));
  owner_.Clear();
  LoginOutputs outputs;
  ASSERT_EQ(LogIn("alice", &status, &outputs), 0);
  EXPECT_TRUE(outputs.must_change_password);
  EXPECT_EQ(outputs.expire_days, 30);
  EXPECT_EQ(owner_.batches, (Batches{{{1, "Logging in database..."}}}));
}

TEST_F(SessionTest, ACacheThatCannotBeOpenedIsReportedAndReplacesTheOldOne) {
  OperationStatus status;
  ASSERT_EQ(Connect("127.0.0.1", server_.port(), &status), 0);
  LoginOutputs outputs;
  ASSERT_EQ(LogIn("alice", &status, &outputs), 0);
  ASSERT_TRUE(session_.cache->is_open());

  const std::string long_folder = temp_.Child(std::string(300, 'x'));
  environment_.Set("XDG_CONFIG_HOME", long_folder);
  owner_.Clear();
  ASSERT_EQ(LogIn("bob", &status, &outputs), 0);
  EXPECT_EQ(session_.user_name, "bob");
  ASSERT_NE(session_.cache, nullptr);
  EXPECT_FALSE(session_.cache->is_open());
  ASSERT_EQ(owner_.batches.size(), 3u);
  ASSERT_EQ(owner_.batches[2].size(), 1u);
  EXPECT_EQ(owner_.batches[2][0].success, 0);
  EXPECT_EQ(owner_.batches[2][0].text, "The length of local cache directory \"" + long_folder +
                                           "/Brastovik/Quorvane for VSS\" is too long.");
}

}  // namespace
}  // namespace qorv::ops
