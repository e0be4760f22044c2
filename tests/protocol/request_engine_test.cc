// The request engine against a small server on loopback: connect and login,
// the busy guard under re-entry from the message pump, reconnects with the
// saved login, transport failures, short replies, the cancel flag, the
// receive time-out, the Blowfish re-keying, the keep-alive ping and the CA
// file's removal.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "net/blowfish_message.h"
#include "net/test_bytes.h"
#include "platform/apartment.h"
#include "protocol/fake_server.h"
#include "protocol/request_engine.h"
#include "protocol/wire_bytes.h"
#include "support/scoped_temp.h"

namespace qorv {
namespace {

using testing::CloseWithoutReply;
using testing::FakeReply;
using testing::FakeServer;
using testing::Hex;
using testing::NoReply;
using testing::ServerHello;
using testing::Wire;

const Wire kLoginRequest = Wire().Byte(0x01).Str("main").Str("alice").Str("pw");

FakeReply Answer(const Wire& wire) { return {wire.bytes(), true, false, {}}; }
FakeReply LoginAnswer(int32_t identity) {
  return Answer(Wire().Status(0, "Welcome").Bool(false).Int32(0).Int32(identity));
}
Wire ExistsRequest(const std::string& path) { return Wire().Byte(0x34).Str(path); }
FakeReply ExistsAnswer() { return Answer(Wire().Status(0, "Completed").Bool(true)); }

// A server that logs everyone in (identity 100 + connection index) and
// answers every other request with "exists".
FakeReply Cooperative(int connection, int, const std::vector<uint8_t>& request) {
  if (request[0] == 0x01) return LoginAnswer(100 + connection);
  return ExistsAnswer();
}

class CountingTransfers : public NoTransferManager {
 public:
  void CloseAllTransferConnections() override { ++closes; }
  int closes = 0;
};

class NullOwner : public DriverOwner {
 public:
  void RaiseEvent(SdkEvent event) override { events.push_back(event); }
  std::vector<SdkEvent> events;
};

class RequestEngineTest : public ::testing::Test {
 protected:
  RequestEngineTest()
      : engine_(driver_, nullptr, nullptr, std::unique_ptr<TransferManager>(transfers_)) {}

  int32_t Connect(const FakeServer& server) {
    ConnectSettings settings;
    settings.server_host = "127.0.0.1";
    settings.server_port = server.port();
    RequestStatus status;
    status.canceled = true;
    bool connected = false;
    int32_t mode = -1;
    const int32_t result = engine_.ConnectToServer(settings, &status, &connected, &mode);
    EXPECT_EQ(status.result, result);
    EXPECT_FALSE(status.canceled);
    EXPECT_EQ(connected, result == kResultOk);
    description_ = status.description;
    return result;
  }

  int32_t LogIn(const ChannelKey& key = {}) {
    RequestStatus status;
    status.canceled = true;
    bool must_change = true;
    int32_t expire_days = -1;
    const int32_t result =
        engine_.Login("alice", "pw", "main", key, &status, &must_change, &expire_days);
    description_ = status.description;
    return result;
  }

  // One single-step request; Canceled and the description are kept.
  template <class Command>
  int32_t Run(Command& command) {
    RequestStatus status;
    status.canceled = true;
    const int32_t result = engine_.Run(command, &status);
    EXPECT_EQ(status.result, result);
    canceled_ = status.canceled;
    description_ = status.description;
    return result;
  }

  // Command 52; *exists is the reply field, read or not.
  int32_t AskExists(const std::string& path, bool* exists) {
    ProjectExistsCommand command;
    command.project_path = path;
    const int32_t result = Run(command);
    *exists = command.reply;
    return result;
  }

  // The liveness probe sees the server's close once its FIN has arrived.
  void WaitUntilDead() {
    for (int i = 0; i < 400 && engine_.connection().IsAlive(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(engine_.connection().IsAlive());
  }

  NullOwner owner_;
  OperationDriver driver_{&owner_};
  CountingTransfers* transfers_ = new CountingTransfers();
  CRequestEngine engine_;
  std::string description_;
  bool canceled_ = true;
};

std::string HexOf(const Wire& wire) { return Hex(wire.bytes()); }
std::string HexOf(const std::vector<uint8_t>& bytes) { return Hex(bytes); }

TEST_F(RequestEngineTest, ConnectAndLoginSaveTheirParameters) {
  FakeServer server(Cooperative);
  ASSERT_EQ(Connect(server), kResultOk);
  EXPECT_EQ(description_, "Connected to server successfully");
  EXPECT_EQ(engine_.connect_settings().server_port, server.port());
  ASSERT_EQ(LogIn(), kResultOk);
  EXPECT_EQ(description_, "Welcome");
  EXPECT_EQ(engine_.login_identity(), 100);
  EXPECT_EQ(engine_.user_name(), "alice");
  EXPECT_EQ(engine_.database(), "main");
  ASSERT_EQ(server.requests(0).size(), 1u);
  EXPECT_EQ(HexOf(server.requests(0)[0]), HexOf(kLoginRequest));
}

TEST_F(RequestEngineTest, AfterTheServerDroppedARequestReconnectsAndLogsInAgainFirst) {
  FakeServer server(Cooperative);
  ASSERT_EQ(Connect(server), kResultOk);
  ASSERT_EQ(LogIn(), kResultOk);
  server.Drop();
  WaitUntilDead();
  const int closes_before = transfers_->closes;
  bool exists = false;
  EXPECT_EQ(AskExists("$/A", &exists), kResultOk);
  EXPECT_TRUE(exists);
  EXPECT_FALSE(canceled_);
  EXPECT_EQ(server.accepted(), 2);
  const auto requests = server.requests(1);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(HexOf(requests[0]), HexOf(kLoginRequest));
  EXPECT_EQ(HexOf(requests[1]), HexOf(ExistsRequest("$/A")));
  EXPECT_EQ(engine_.login_identity(), 101);
  EXPECT_GT(transfers_->closes, closes_before);  // closed before the reconnect
}

TEST_F(RequestEngineTest, FailedReconnectReturnsTheConnectsResultAndText) {
  FakeServer server(Cooperative);
  ServerHello stranger;
  stranger.magic = 0x12345678;
  server.SetHello(1, stranger);
  ASSERT_EQ(Connect(server), kResultOk);
  ASSERT_EQ(LogIn(), kResultOk);
  server.Drop();
  WaitUntilDead();
  bool exists = false;
  EXPECT_EQ(AskExists("$/A", &exists), kResultNotThisProduct);
  EXPECT_EQ(description_, "Connected to a not Brastovik Quorvane for VSS server");
  EXPECT_FALSE(canceled_);
  EXPECT_FALSE(exists);
  EXPECT_TRUE(server.requests(1).empty());
}

TEST_F(RequestEngineTest, RequestMadeWhileAnotherRunsIsRefusedAsBusy) {
  // The re-entrant request comes from a window procedure of the caller's
  // thread, run by the worker-thread runner's message pump while the first
  // request waits for its reply.
  constexpr uint32_t kReenter = platform::kWmUser + 1;
  std::atomic<bool> reentered{false};
  int32_t inner_result = -1;
  bool inner_canceled = true;
  std::string inner_description;
  auto window = platform::Window::Create(platform::WindowAttributes{},
                                         [&](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
                                           if (message == kReenter) {
                                             ProjectExistsCommand exists;
                                             exists.project_path = "$/B";
                                             RequestStatus inner;
                                             inner.canceled = true;
                                             inner_result = engine_.Run(exists, &inner);
                                             inner_canceled = inner.canceled;
                                             inner_description = inner.description;
                                             reentered = true;
                                           }
                                           return 0;
                                         });
  platform::Window* target = window.get();
  FakeServer server([&](int, int, const std::vector<uint8_t>& request) {
    if (request[0] == 0x01) return LoginAnswer(5);
    target->Post(kReenter, 0, 0);
    for (int i = 0; i < 500 && !reentered; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ExistsAnswer();
  });
  ASSERT_EQ(Connect(server), kResultOk);
  ASSERT_EQ(LogIn(), kResultOk);
  bool exists = false;
  EXPECT_EQ(AskExists("$/A", &exists), kResultOk);
  EXPECT_TRUE(exists);
  ASSERT_TRUE(reentered);
  EXPECT_EQ(inner_result, kResultBusy);
  EXPECT_EQ(inner_description, "The system is busy. Please try later.");
  EXPECT_FALSE(inner_canceled);
  // The connection was not touched: one connection, and "$/B" never sent.
  EXPECT_EQ(server.accepted(), 1);
  const auto requests = server.requests(0);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(HexOf(requests[1]), HexOf(ExistsRequest("$/A")));
  EXPECT_FALSE(engine_.busy());
}

TEST_F(RequestEngineTest, CancelDuringARequestClosesEveryConnectionAndClearsTheFlag) {
  FakeServer server([&](int connection, int, const std::vector<uint8_t>& request) {
    if (request[0] == 0x01) return LoginAnswer(100 + connection);
    if (connection == 0) {
      // No reply: the client's wait sees the cancel flag at its next poll.
      driver_.RequestCancel();
      return NoReply();
    }
    return ExistsAnswer();
  });
  ASSERT_EQ(Connect(server), kResultOk);
  ASSERT_EQ(LogIn(), kResultOk);
  const int closes_before = transfers_->closes;
  bool exists = false;
  EXPECT_EQ(AskExists("$/A", &exists), kResultSocketCanceled);
  EXPECT_EQ(description_, "Canceled");
  EXPECT_TRUE(canceled_);
  EXPECT_FALSE(exists);
  EXPECT_FALSE(driver_.CancelRequested());
  EXPECT_FALSE(engine_.connection().socket().IsOpen());
  EXPECT_EQ(transfers_->closes, closes_before + 1);

  // The next request reconnects, logs in again and runs.
  EXPECT_EQ(AskExists("$/A", &exists), kResultOk);
  EXPECT_FALSE(canceled_);
  EXPECT_TRUE(exists);
  EXPECT_EQ(server.accepted(), 2);
  EXPECT_EQ(server.requests(1).size(), 2u);
}

TEST_F(RequestEngineTest, ReplyShorterThanItsFieldsGivesSocketBufferError) {
  FakeServer server([](int, int request_index, const std::vector<uint8_t>& request) {
    if (request[0] == 0x01) return LoginAnswer(1);
    if (request_index == 1) {
      // Project general information without its date and comment.
      return Answer(Wire().Status(0, "Completed").Int32(1).Int32(2).Int32(3).Int32(4).Int32(5));
    }
    return ExistsAnswer();
  });
  ASSERT_EQ(Connect(server), kResultOk);
  ASSERT_EQ(LogIn(), kResultOk);
  ProjectGeneralInfoCommand info;
  info.project_path = "$/A";
  info.reply.comment = "untouched";
  EXPECT_EQ(Run(info), kResultSystemError);
  EXPECT_EQ(description_, "Socket buffer error.");
  EXPECT_EQ(info.reply.comment, "untouched");
  EXPECT_EQ(info.reply.sub_projects_not_deleted, 0);
  // The whole frame was read, so the connection stays in step and in use.
  bool exists = false;
  EXPECT_EQ(AskExists("$/A", &exists), kResultOk);
  EXPECT_EQ(server.accepted(), 1);
}

TEST_F(RequestEngineTest, FailedLoginAfterAReconnectClosesTheConnectionForTheNextTry) {
  FakeServer server([](int connection, int, const std::vector<uint8_t>& request) {
    if (request[0] == 0x01) {
      if (connection == 1) {
        return Answer(Wire().Status(40003, "Invalid user name or password"));
      }
      return LoginAnswer(100 + connection);
    }
    return ExistsAnswer();
  });
  ASSERT_EQ(Connect(server), kResultOk);
  ASSERT_EQ(LogIn(), kResultOk);
  server.Drop();
  WaitUntilDead();
  bool exists = false;
  EXPECT_EQ(AskExists("$/A", &exists), 40003);
  EXPECT_EQ(description_, "Invalid user name or password");
  EXPECT_FALSE(engine_.connection().socket().IsOpen());
  EXPECT_EQ(server.requests(1).size(), 1u);  // the login only
  // The next request reconnects and logs in once more.
  EXPECT_EQ(AskExists("$/A", &exists), kResultOk);
  EXPECT_EQ(server.accepted(), 3);
  EXPECT_EQ(engine_.login_identity(), 102);
}

TEST_F(RequestEngineTest, ReconnectWithoutAnEarlierLoginDoesNotLogIn) {
  FakeServer server([](int, int, const std::vector<uint8_t>&) {
    return Answer(Wire().Status(0, "Completed").Int32(1).Str("main"));
  });
  ASSERT_EQ(Connect(server), kResultOk);
  server.Drop();
  WaitUntilDead();
  DatabaseAliasesCommand aliases;
  EXPECT_EQ(Run(aliases), kResultOk);
  EXPECT_EQ(aliases.reply, std::vector<std::string>{"main"});
  ASSERT_EQ(server.requests(1).size(), 1u);
  EXPECT_EQ(HexOf(server.requests(1)[0]), "2c");
}

TEST_F(RequestEngineTest, BlowfishLoginKeysBothBuffersAndIsRepeatedOnReconnect) {
  const ChannelKey user_key = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  FakeServer server([&](int, int, const std::vector<uint8_t>& request) {
    if (request[0] == 0x31) {
      // Deciphered with the initial key; the reply still travels under it,
      // every later frame under the user key.
      FakeReply reply = LoginAnswer(9);
      reply.new_key = user_key;
      return reply;
    }
    return ExistsAnswer();
  });
  ServerHello blowfish;
  blowfish.mode = 1;
  server.SetHello(0, blowfish);
  server.SetHello(1, blowfish);
  ASSERT_EQ(Connect(server), kResultOk);
  EXPECT_EQ(engine_.encryption_mode(), 1);
  ASSERT_EQ(LogIn(user_key), kResultOk);
  EXPECT_EQ(engine_.channel_key(), user_key);
  auto* out = dynamic_cast<CBlowfishOutMessage*>(&engine_.connection().out_message());
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->key(), user_key);

  bool exists = false;
  EXPECT_EQ(AskExists("$/A", &exists), kResultOk);  // understood under the user key
  server.Drop();
  WaitUntilDead();
  EXPECT_EQ(AskExists("$/A", &exists), kResultOk);
  const auto requests = server.requests(1);
  ASSERT_EQ(requests.size(), 2u);
  const std::vector<uint8_t> head = Wire()
                                        .Byte(0x31)
                                        .Str("main")
                                        .Str("alice")
                                        .Str("127.0.0.1")  // the server name of the connect
                                        .Int32(1)
                                        .Int32(2);  // the length of "pw"
  ASSERT_GE(requests[0].size(), head.size());
  EXPECT_EQ(HexOf(std::vector<uint8_t>(requests[0].begin(), requests[0].begin() + head.size())),
            HexOf(head));
  const std::vector<uint8_t> exists_request = ExistsRequest("$/A");
  EXPECT_EQ(
      HexOf(std::vector<uint8_t>(requests[1].begin(), requests[1].begin() + exists_request.size())),
      HexOf(exists_request));
}

TEST_F(RequestEngineTest, KeepAlivePingIsSentOnlyWhenEnabledAndItsReplyIsDiscarded) {
  FakeServer server([](int, int, const std::vector<uint8_t>& request) {
    if (request[0] == 0x52) return Answer(Wire().Byte(0xEE));  // not even a status
    return ExistsAnswer();
  });
  ASSERT_EQ(Connect(server), kResultOk);
  EXPECT_FALSE(engine_.keep_alive());
  engine_.KeepAlivePing();
  engine_.set_keep_alive(true);
  engine_.KeepAlivePing();
  bool exists = false;
  EXPECT_EQ(AskExists("$/A", &exists), kResultOk);  // reads its own reply, not the ping's
  EXPECT_TRUE(exists);
  const auto requests = server.requests(0);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(HexOf(requests[0]), "52");
  EXPECT_EQ(server.accepted(), 1);
}

TEST_F(RequestEngineTest, BeforeAnyConnectARequestFailsWithTheConnectsResult) {
  bool exists = false;
  const int32_t result = AskExists("$/A", &exists);
  EXPECT_EQ(result, kResultSocketError);
  EXPECT_EQ(description_, "Error connecting to: :0");
  EXPECT_FALSE(canceled_);
  EXPECT_FALSE(engine_.busy());
}

// Milliseconds `run` takes.
template <class Run>
int64_t MillisecondsOf(Run run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

TEST_F(RequestEngineTest, ReceiveTimeOutFailsASilentReplyAndTheNextRequestReconnects) {
  TransferSettings settings;
  settings.receive_timeout_seconds = 1;
  engine_.set_transfer_settings(settings);
  const Wire exists_reply = Wire().Status(0, "Completed").Bool(true);
  FakeServer server([&](int connection, int request, const std::vector<uint8_t>& payload) {
    if (payload[0] == 0x01) return LoginAnswer(100 + connection);
    // The first connection dies within a reply: its length and two bytes
    // came, the rest never will. The second goes silent on its second ask.
    if (connection == 0) return testing::SilentMidReply(exists_reply.bytes(), 6);
    return request == 2 ? NoReply() : ExistsAnswer();
  });
  ASSERT_EQ(Connect(server), kResultOk);
  ASSERT_EQ(LogIn(), kResultOk);
  // The settings every transfer connection of a file phase connects with.
  EXPECT_EQ(engine_.connect_settings().receive_timeout_seconds, 1);
  const int closes_before = transfers_->closes;
  bool exists = true;
  int32_t result = -1;
  int64_t waited = MillisecondsOf([&] { result = AskExists("$/A", &exists); });
  EXPECT_EQ(result, kResultSocketError);
  EXPECT_EQ(description_, "Error at select(): time out\r\n");
  EXPECT_FALSE(canceled_);
  EXPECT_GE(waited, 1000);
  EXPECT_LT(waited, 3000);
  EXPECT_FALSE(engine_.connection().socket().IsOpen());
  EXPECT_EQ(transfers_->closes, closes_before + 1);

  EXPECT_EQ(AskExists("$/A", &exists), kResultOk);
  EXPECT_TRUE(exists);
  EXPECT_EQ(server.accepted(), 2);

  // The reconnect kept the time-out.
  waited = MillisecondsOf([&] { result = AskExists("$/A", &exists); });
  EXPECT_EQ(result, kResultSocketError);
  EXPECT_LT(waited, 3000);
}

TEST_F(RequestEngineTest, WithoutReceiveTimeOutASilentServerIsWaitedForUntilCancel) {
  FakeServer server([&](int connection, int, const std::vector<uint8_t>& payload) {
    if (payload[0] == 0x01) return LoginAnswer(100 + connection);
    return NoReply();
  });
  ASSERT_EQ(Connect(server), kResultOk);
  ASSERT_EQ(LogIn(), kResultOk);
  // Well past the longest a 1-second time-out could take.
  std::thread canceller([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    driver_.RequestCancel();
  });
  bool exists = true;
  int32_t result = -1;
  const int64_t waited = MillisecondsOf([&] { result = AskExists("$/A", &exists); });
  canceller.join();
  EXPECT_EQ(result, kResultSocketCanceled);
  EXPECT_TRUE(canceled_);
  EXPECT_GE(waited, 2500);
}

// Writes the CA certificate into a file of `folder`; the SSL handshake then
// fails, as it does against a server whose certificate does not verify.
class CaFileOnlySsl : public SslChannelSetup {
 public:
  explicit CaFileOnlySsl(std::string folder) : folder_(std::move(folder)) {}
  int32_t WriteCaFile(const std::string& certificate, const std::string&, uint16_t,
                      std::string* ca_file_path, std::string*) override {
    *ca_file_path = folder_ + "/ca.pem";
    std::ofstream(*ca_file_path) << certificate;
    return kResultOk;
  }
  int32_t OpenChannel(CCancelableSocket&, const std::string&, std::string* description) override {
    *description = kTextSslConnectFailed;
    return 20009;
  }
  void DestroyContext() override {}

 private:
  std::string folder_;
};

TEST(RequestEngineCaFile, IsDeletedWithTheEngine) {
  testing::ScopedTempFolder folder;
  FakeServer server(Cooperative);
  ServerHello ssl;
  ssl.mode = 2;
  server.SetHello(0, ssl);
  NullOwner owner;
  OperationDriver driver(&owner);
  const std::string ca_file = folder.Child("ca.pem");
  {
    CRequestEngine engine(driver, nullptr, std::make_unique<CaFileOnlySsl>(folder.path()));
    ConnectSettings settings;
    settings.server_host = "127.0.0.1";
    settings.server_port = server.port();
    RequestStatus status;
    bool connected = true;
    int32_t mode = -1;
    EXPECT_EQ(engine.ConnectToServer(settings, &status, &connected, &mode), 20009);
    EXPECT_EQ(status.description, "Failed to connect to server through SSL secure port.");
    EXPECT_FALSE(connected);
    EXPECT_EQ(mode, 0);
    ASSERT_TRUE(std::filesystem::exists(ca_file));
  }
  EXPECT_FALSE(std::filesystem::exists(ca_file));
}

}  // namespace
}  // namespace qorv
