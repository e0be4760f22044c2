// The server's handshake, the commands allowed before login, the plain and
// keyed logins with their sessions, and the password change.
#include <gtest/gtest.h>

#include <sstream>

#include "codec/byte_order.h"
#include "net/handshake.h"
#include "net/key_file.h"
#include "server/admin_commands.h"
#include "server/server_fixture.h"

namespace qorv::server::testing {
namespace {

TEST_F(ServerTest, HandshakeSendsMagicVersionsAndModeThenTheChosenValues) {
  StartServer(Config(1, "5.0,5.2"));
  CCancelableSocket socket;
  ASSERT_EQ(socket.Create(false, true, true), kResultOk);
  ASSERT_EQ(socket.ConnectWithTimeout("127.0.0.1", server_->port()), kResultOk);
  ASSERT_EQ(socket.SendInt32(static_cast<int32_t>(kHandshakeMagic)), kResultOk);
  // magic, "5.0,5.2", raw4, mode, product name, raw4, 3 x int32, raw4.
  const std::string product = kProductName;
  std::vector<uint8_t> bytes(4 + 4 + 7 + 4 + 4 + 4 + product.size() + 4 + 12 + 4);
  ASSERT_EQ(socket.Receive(bytes.data(), bytes.size()), kResultOk);
  EXPECT_EQ(LoadBigEndian32(&bytes[0]), kHandshakeMagic);
  EXPECT_EQ(LoadBigEndian32(&bytes[4]), 7u);
  EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 15), "5.0,5.2");
  EXPECT_EQ(LoadBigEndian32(&bytes[19]), 1u);  // the mode, after the unused raw4
  EXPECT_EQ(LoadBigEndian32(&bytes[23]), product.size());
  EXPECT_EQ(std::string(bytes.begin() + 27, bytes.begin() + 27 + product.size()), product);
  for (size_t i = 27 + product.size(); i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0) << i;

  // The client's own connect accepts this list and installs Blowfish buffers.
  auto client = Connected();
  EXPECT_EQ(client->connection().encryption_mode(), kEncryptionBlowfish);
  EXPECT_NE(dynamic_cast<CBlowfishOutMessage*>(&client->out()), nullptr);
}

TEST_F(ServerTest, AClientWhoseVersionIsNotListedIsRefusedByTheClient) {
  StartServer(Config(0, "5.21,6.0"));
  TestClient client(server_->port());
  EXPECT_EQ(client.Connect().result, kResultVersionRefused);
}

TEST_F(ServerTest, OnlyLoginsAliasesAndPingAreServedBeforeLogin) {
  auto client = Connected();
  Reply reply = client->Call(44);
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_EQ(reply.text, "Completed");
  EXPECT_EQ(client->ReadStrings(), std::vector<std::string>{"Main"});
  EXPECT_EQ(client->Call(82).status, 0);

  reply = client->Call(3, [](COutMessage& out) {
    out.AppendString("$/");
    out.AppendBool(false);
  });
  EXPECT_EQ(reply.status, kStatusNotLoggedIn);
  EXPECT_EQ(reply.text, "Not logged in");
  EXPECT_EQ(client->in().remaining(), 0u);

  // Unknown codes are refused as unknown whether logged in or not; so are
  // the transfer connections' commands once a main connection has begun.
  reply = client->Call(200);
  EXPECT_EQ(reply.status, kStatusUnknownCommand);
  EXPECT_EQ(reply.text, "Unknown command 200");
  client->Login("Main", "alice", "secret");
  for (uint8_t code : {64, 65, 96}) {
    reply = client->Call(code, [](COutMessage& out) { out.AppendInt32(0); });
    EXPECT_EQ(reply.status, kStatusUnknownCommand) << int{code};
    EXPECT_EQ(reply.text, "Unknown command " + std::to_string(code));
  }
  // The body commands of the main connection parse their requests.
  for (uint8_t code : {38, 40, 61, 62, 72, 80, 81}) {
    reply = client->Call(code, [](COutMessage& out) { out.AppendInt32(0); });
    EXPECT_EQ(reply.status, kStatusMalformedRequest) << int{code};
  }
}

TEST_F(ServerTest, LoginFailuresShareOneTextAndSessionsFollowTheirConnections) {
  auto client = Connected();
  auto login = [&](const std::string& db, const std::string& user, const std::string& pw) {
    return client->Call(1, [&](COutMessage& out) {
      out.AppendString(db);
      out.AppendString(user);
      out.AppendString(pw);
    });
  };
  Reply reply = login("Nope", "alice", "secret");
  EXPECT_EQ(reply.status, kStatusUnknownDatabase);
  EXPECT_EQ(reply.text, "Database Nope does not exist");
  EXPECT_EQ(login("../Main", "alice", "secret").status, kStatusUnknownDatabase);
  reply = login("Main", "alice", "wrong");
  EXPECT_EQ(reply.status, kStatusBadCredentials);
  const Reply unknown_user = login("Main", "mallory", "secret");
  EXPECT_EQ(unknown_user.status, reply.status);
  EXPECT_EQ(unknown_user.text, reply.text);
  EXPECT_EQ(server_->sessions().size(), 0u);

  // Database names and user names are matched without regard to case.
  const int32_t first = client->Login("main", "ALICE", "secret");
  EXPECT_GT(first, 0);
  auto other = LoggedIn("bob", "hunter2");
  EXPECT_GT(other->identity(), 0);
  EXPECT_NE(other->identity(), first);
  EXPECT_EQ(server_->sessions().size(), 2u);

  // A new login on the same connection replaces its session.
  const int32_t second = client->Login("Main", "bob", "hunter2");
  EXPECT_EQ(server_->sessions().size(), 2u);
  EXPECT_FALSE(server_->sessions().Find(first).has_value());
  EXPECT_EQ(server_->sessions().Find(second)->user.actor.name, "bob");

  // A closed connection ends its session.
  other.reset();
  EXPECT_TRUE(WaitForSessions(1));

  // The keyed login belongs to Blowfish channels only.
  reply = client->KeyedLogin("Main", "alice", "secret", ChannelKey{});
  EXPECT_EQ(reply.status, kStatusWrongLoginCommand);
  EXPECT_EQ(reply.text, "Wrong login command for this channel");
}

TEST_F(ServerTest, SetPasswordClearsMustChangeAndReadOnlyUsersMayUseIt) {
  ASSERT_TRUE(db_->AddUser({"newbie", "first", std::nullopt, true, true}).ok());
  auto client = Connected();
  bool must_change = false;
  client->Login("Main", "newbie", "first", &must_change);
  EXPECT_TRUE(must_change);
  Reply reply = client->Call(20, [](COutMessage& out) { out.AppendString("second"); });
  ASSERT_EQ(reply.status, 0) << reply.text;

  auto again = Connected();
  Reply refused = again->Call(1, [](COutMessage& out) {
    out.AppendString("Main");
    out.AppendString("newbie");
    out.AppendString("first");
  });
  EXPECT_EQ(refused.status, kStatusBadCredentials);
  again->Login("Main", "newbie", "second", &must_change);
  EXPECT_FALSE(must_change);
}

class KeyedLoginTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    StartServer(Config(1));
  }

  // Issues a key file for alice on "127.0.0.1" the way an administrator
  // does, and reads it back the way the client's login does.
  KeyFileInfo IssueAliceKey() {
    const std::string file = temp_.Child("alice.key");
    std::ostringstream out, err;
    EXPECT_EQ(RunAdminCommand({"issue-key", "--data", temp_.Child("data"), "--db", "Main", "--user",
                               "alice", "--server", "127.0.0.1", "--out", file},
                              out, err),
              0)
        << err.str();
    return ReadKeyFile(file);
  }
};

TEST_F(KeyedLoginTest, AServerIssuedKeyLogsInAndRekeysTheChannel) {
  const KeyFileInfo key_file = IssueAliceKey();
  ASSERT_TRUE(key_file.usable) << key_file.description;
  EXPECT_EQ(key_file.user_name, "alice");
  EXPECT_EQ(key_file.server_name, "127.0.0.1");
  EXPECT_TRUE(key_file.never_expires);
  EXPECT_EQ(ChooseUserKey({temp_.Child("alice.key")}, "127.0.0.1", "ALICE"), key_file.user_key);
  ASSERT_NE(key_file.user_key, ChannelKey{});
  // The key the file carries is the one the database now keeps for alice.
  const std::optional<UserKey> stored = db_->FindUser("alice")->user_key;
  ASSERT_TRUE(stored.has_value());
  EXPECT_TRUE(std::equal(stored->begin(), stored->end(), key_file.user_key.begin()));

  auto client = Connected();
  Reply reply = client->KeyedLogin("Main", "alice", "secret", key_file.user_key);
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_GT(client->identity(), 0);
  EXPECT_EQ(server_->sessions().Find(client->identity())->channel_key, key_file.user_key);
  // Both directions now run under the user key: a request and its reply
  // make sense only if the server switched as well.
  reply = client->Call(52, [](COutMessage& out) { out.AppendString("$/"); });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_TRUE(client->in().ReadBool());
}

TEST_F(KeyedLoginTest, WrongKeyWrongPasswordAndPlainLoginAreRefusedUnderTheInitialKey) {
  const KeyFileInfo key_file = IssueAliceKey();
  ChannelKey wrong = key_file.user_key;
  wrong[0] ^= 0x01;
  auto client = Connected();
  Reply reply = client->KeyedLogin("Main", "alice", "secret", wrong);
  EXPECT_EQ(reply.status, kStatusUserKeyMismatch);
  EXPECT_EQ(reply.text, "The user key does not match");
  EXPECT_EQ(client->KeyedLogin("Main", "alice", "wrong", key_file.user_key).status,
            kStatusBadCredentials);
  // An unknown user fails as a keyless user with a wrong password does, so
  // the key check reveals no user names.
  EXPECT_EQ(client->KeyedLogin("Main", "mallory", "x", ChannelKey{}).status, kStatusBadCredentials);
  reply = client->Call(1, [](COutMessage& out) {
    out.AppendString("Main");
    out.AppendString("alice");
    out.AppendString("secret");
  });
  EXPECT_EQ(reply.status, kStatusWrongLoginCommand);
  // Still under the initial key, the channel keeps working.
  EXPECT_EQ(client->Call(82).status, 0);
  // A user without a key logs in with the zero key.
  EXPECT_EQ(client->KeyedLogin("Main", "bob", "hunter2", ChannelKey{}).status, 0);
}

TEST_F(KeyedLoginTest, APasswordLengthBeyondTheBytesSentIsMalformed) {
  auto client = Connected();
  client->out().Reset();
  client->out().AppendByte(49);
  client->out().AppendString("Main");
  client->out().AppendString("bob");
  client->out().AppendString("127.0.0.1");
  client->out().AppendInt32(1);
  client->out().AppendInt32(1 << 30);  // announces a gigabyte of password
  client->out().AppendBytes("0123456789abcdef", 16);
  Reply reply = client->Exchange();
  EXPECT_EQ(reply.status, kStatusMalformedRequest);
  EXPECT_EQ(reply.text, "Malformed request");
  EXPECT_EQ(client->Call(82).status, 0);
}

}  // namespace
}  // namespace qorv::server::testing
