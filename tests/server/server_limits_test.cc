// The server's limits against hostile and heavy load: frame sizes and the
// frame memory budget, the handshake time-out, the connection limit, failing
// accepts and many idle connections.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/file.h"
#include "platform/process.h"
#include "server/raw_client.h"
#include "server/server_fixture.h"

namespace qorv::server::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kMiB = 1024 * 1024;

// The test process's resident memory (the server runs in it), in MiB.
int64_t ResidentMiB() {
  return static_cast<int64_t>(platform::ResidentBytes(platform::CurrentProcessId()) / kMiB);
}

// The lines the server logged, from any of its threads.
class LogLines {
 public:
  std::function<void(const std::string&)> Sink() {
    return [this](const std::string& text) {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(text);
    };
  }
  bool Contains(const std::string& part) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const std::string& line : lines_) {
      if (line.find(part) != std::string::npos) return true;
    }
    return false;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

// A request frame of `size` payload bytes for an unknown command code,
// which a logged-in server answers 40008 whatever follows the code.
std::vector<uint8_t> UnknownCommandFrame(uint32_t size) {
  std::vector<uint8_t> frame = LengthPrefix(size);
  frame.resize(4 + size, 0);
  frame[4] = 250;
  return frame;
}

bool WaitUntil(const std::function<bool()>& condition, int seconds = 5) {
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  while (Clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

class LimitsTest : public ServerTest {
 protected:
  ServerConfig Logged(ServerConfig config = {}) {
    config.log = log_.Sink();
    return config;
  }

  // A logged-in client sends a frame of `size` bytes; the reply's status.
  int32_t LargeFrameStatus(TestClient& client, uint32_t size) {
    const std::vector<uint8_t> frame = UnknownCommandFrame(size);
    int32_t code = client.connection().socket().Send(frame.data(), frame.size());
    if (code == kResultOk) code = client.in().Receive(client.connection().socket());
    if (code != kResultOk) return code;
    return client.in().ReadInt32();
  }

  LogLines log_;
};

TEST_F(LimitsTest, LargeFramesBeforeLoginAreRefusedAndLargeFramesAfterLoginReleaseTheirMemory) {
  StartServer(Logged());
  const int64_t before = ResidentMiB();
  ASSERT_GT(before, 0);
  // Each sends a whole 16 MiB frame before logging in (the send fails once
  // the server has closed the connection).
  const std::vector<uint8_t> body(kMaxRequestFrame, 'x');
  for (int i = 0; i < 40; ++i) {
    RawClient client(server_->port());
    client.Handshake();
    ASSERT_EQ(client.Send(LengthPrefix(kMaxRequestFrame)), kResultOk);
    client.socket().Send(body.data(), body.size());
    EXPECT_TRUE(client.ClosedByServerWithin(20)) << i;
  }
  EXPECT_LT(ResidentMiB() - before, 200);
  EXPECT_TRUE(log_.Contains("before login"));

  // A logged-in client may send frames far beyond the pre-login bound; the
  // buffers of each are returned once it has been answered.
  auto client = LoggedIn();
  EXPECT_EQ(LargeFrameStatus(*client, kMaxRequestFrame), 40008);
  EXPECT_EQ(LargeFrameStatus(*client, 3 * kMiB), 40008);
  EXPECT_TRUE(WaitUntil([&] { return server_->FrameMemoryInUse() == 0; }));
  EXPECT_EQ(client->Call(82).status, 0);
}

TEST_F(LimitsTest, AFrameBeyondTheFrameMemoryBudgetClosesOnlyItsConnection) {
  ServerConfig config = Logged();
  config.frame_memory_mib = 4;
  StartServer(config);
  auto greedy = LoggedIn();
  auto modest = LoggedIn("bob", "hunter2");
  EXPECT_NE(LargeFrameStatus(*greedy, 8 * kMiB), 40008);
  EXPECT_TRUE(log_.Contains("frame memory budget"));
  // The refused frame's reservation went back: a frame within the budget
  // is served.
  EXPECT_TRUE(WaitUntil([&] { return server_->FrameMemoryInUse() == 0; }));
  EXPECT_EQ(LargeFrameStatus(*modest, kMiB), 40008);
}

TEST_F(LimitsTest, ASilentClientIsDroppedAfterTheHandshakeTimeOut) {
  ServerConfig config;
  config.handshake_timeout_seconds = 1;
  StartServer(config);
  RawClient silent(server_->port());
  const auto start = Clock::now();
  EXPECT_TRUE(silent.ClosedByServerWithin(20));
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(900));
  EXPECT_LT(waited, std::chrono::seconds(4));
  // A client that finishes the handshake in time may then idle.
  RawClient prompt(server_->port());
  prompt.Handshake();
  EXPECT_FALSE(prompt.ClosedByServerWithin(7));
}

TEST_F(LimitsTest, FinishedConnectionsAreReapedWithoutANewClient) {
  {
    auto client = LoggedIn();
    EXPECT_EQ(server_->ConnectionCount(), 1u);
  }
  EXPECT_TRUE(WaitUntil([&] { return server_->ConnectionCount() == 0; }, 2));
}

TEST_F(LimitsTest, TheConnectionLimitRefusesTheExcessAndRecovers) {
  ServerConfig config = Logged();
  config.max_connections = 3;
  StartServer(config);
  auto witness = LoggedIn();
  auto first = std::make_unique<RawClient>(server_->port());
  first->Handshake();
  RawClient second(server_->port());
  second.Handshake();
  ASSERT_TRUE(WaitUntil([&] { return server_->ConnectionCount() == 3; }));
  RawClient excess(server_->port());
  EXPECT_TRUE(excess.ClosedByServerWithin(10));
  EXPECT_TRUE(log_.Contains("connection limit of 3"));
  EXPECT_EQ(witness->Call(82).status, 0);

  first.reset();
  ASSERT_TRUE(WaitUntil([&] { return server_->ConnectionCount() == 2; }));
  auto late = LoggedIn("bob", "hunter2");
  EXPECT_EQ(late->Call(82).status, 0);
}

TEST_F(LimitsTest, FailingAcceptsBackOffAndTheServerRecovers) {
  std::atomic<bool> failing{true};
  ServerConfig config = Logged();
  config.accept_fault = [&failing] { return failing.load(); };
  StartServer(config);
  RawClient waiting(server_->port());
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  // Pauses of 10, 20, 40 ... ms up to a second: about eight tries in the
  // time a loop pausing 10 ms would make 150.
  EXPECT_GE(server_->AcceptFailures(), 3);
  EXPECT_LE(server_->AcceptFailures(), 12);
  EXPECT_TRUE(log_.Contains("cannot accept a connection"));
  failing = false;
  waiting.Handshake();
  EXPECT_FALSE(::testing::Test::HasFatalFailure());
  auto client = LoggedIn();
  EXPECT_EQ(client->Call(82).status, 0);
}

TEST_F(LimitsTest, TwoThousandIdleConnectionsDoNotStopANormalClient) {
  const int64_t before = ResidentMiB();
  std::vector<std::unique_ptr<RawClient>> idle;
  for (int i = 0; i < 2000; ++i) {
    idle.push_back(std::make_unique<RawClient>(server_->port()));
    // Half hand-shake and wait; half never send a byte.
    if (i % 2 == 0) idle.back()->Handshake();
  }
  ASSERT_TRUE(WaitUntil([&] { return server_->ConnectionCount() == 2000; }, 30));
  const auto start = Clock::now();
  auto client = LoggedIn();
  EXPECT_EQ(client->Call(82).status, 0);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  std::cout << "2000 idle connections: " << ResidentMiB() - before << " MiB more resident\n";
  idle.clear();
  EXPECT_TRUE(WaitUntil([&] { return server_->ConnectionCount() == 1; }, 30));
}

TEST_F(LimitsTest, ALoginWithDescriptorsExhaustedIsAStoreErrorNotAnUnknownDatabase) {
  {
    DataDirectory& data = server_->data_directory();
    ASSERT_TRUE(data.CreateDatabase("Other").ok());
    std::shared_ptr<Database> other;
    ASSERT_TRUE(data.OpenDatabase("Other", &other).ok());
    ASSERT_TRUE(other->AddUser({"carol", "pw", std::nullopt, false, false}).ok());
  }
  // A new server has not opened "Other" yet.
  StartServer();
  auto client = Connected();
  uint64_t previous = 0;
  ASSERT_TRUE(platform::SetOpenFileLimit(1024, &previous));
  std::vector<platform::File> hoard;
  for (int i = 0; i < 1024; ++i) {
    platform::File file;
    if (platform::File::Open("/dev/null", platform::FileAccess::kRead,
                             platform::FileCreation::kOpenExisting, platform::FileSharing::kShared,
                             &file) != 0) {
      break;
    }
    hoard.push_back(std::move(file));
  }
  const Reply refused = client->Call(1, [](COutMessage& out) {
    out.AppendString("Other");
    out.AppendString("carol");
    out.AppendString("pw");
  });
  hoard.clear();
  uint64_t lowered = 0;
  ASSERT_TRUE(platform::SetOpenFileLimit(previous, &lowered));
  EXPECT_EQ(refused.status, 40501) << refused.text;
  EXPECT_NE(refused.text.find("Too many open files"), std::string::npos) << refused.text;
  EXPECT_NE(client->Login("Other", "carol", "pw"), 0);
}

// The throttle's clock, advanced only by its own waits.
struct FakeClock {
  std::atomic<int64_t> now{1000000};
  std::atomic<int64_t> slept{0};
  LoginThrottle::Clock Clock() {
    return {[this] { return now.load(); },
            [this](int64_t ms) {
              slept += ms;
              now += ms;
            }};
  }
};

class ThrottleTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    ServerConfig config;
    config.login_clock = clock_.Clock();
    StartServer(config);
  }

  static Reply TryLogin(TestClient& client, const std::string& user, const std::string& password) {
    return client.Call(1, [&](COutMessage& out) {
      out.AppendString("Main");
      out.AppendString(user);
      out.AppendString(password);
    });
  }

  FakeClock clock_;
};

TEST_F(ThrottleTest, FailuresOnOneConnectionAreSlowedDownAndCloseIt) {
  auto client = Connected();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(TryLogin(*client, "alice", "guess").status, 40003);
  EXPECT_EQ(clock_.slept, 0);
  EXPECT_EQ(TryLogin(*client, "alice", "guess").status, 40003);
  EXPECT_EQ(clock_.slept, 250);
  // The fifth failure is answered after 500 ms, then the connection closes.
  EXPECT_EQ(TryLogin(*client, "alice", "guess").status, 40003);
  EXPECT_EQ(clock_.slept, 750);
  EXPECT_NE(client->Call(82).status, 0);

  // The right password still gets in, on a new connection, once the name's
  // delay has passed; it clears the name's failures.
  auto again = Connected();
  EXPECT_NE(again->Login("Main", "alice", "secret"), 0);
  auto later = Connected();
  EXPECT_EQ(TryLogin(*later, "alice", "guess").status, 40003);
  EXPECT_EQ(clock_.slept, 750);
}

TEST_F(ThrottleTest, FailuresForOneNameAreSlowedDownAcrossConnectionsAndNamesApart) {
  std::vector<std::unique_ptr<TestClient>> clients;
  for (int i = 0; i < 5; ++i) {
    clients.push_back(Connected());
    EXPECT_EQ(TryLogin(*clients.back(), "bob", "guess").status, 40003);
  }
  // The fourth and fifth failures of "bob" waited 250 and 500 ms.
  EXPECT_EQ(clock_.slept, 750);
  // Another name is not held up by bob's failures; case does not make
  // another name.
  EXPECT_EQ(TryLogin(*clients[0], "alice", "guess").status, 40003);
  EXPECT_EQ(clock_.slept, 750);
  EXPECT_EQ(TryLogin(*clients[1], "BOB", "guess").status, 40003);
  EXPECT_EQ(clock_.slept, 750 + 1000);
  // A login for bob waits out the name's delay (none left on this clock)
  // and succeeds with the right password.
  EXPECT_NE(clients[2]->Login("Main", "bob", "hunter2"), 0);
}

TEST(LoginDelayTest, GrowsFromTheFourthFailureAndIsCapped) {
  EXPECT_EQ(LoginDelayMs(3), 0);
  EXPECT_EQ(LoginDelayMs(4), 250);
  EXPECT_EQ(LoginDelayMs(6), 1000);
  EXPECT_EQ(LoginDelayMs(10), 8000);
  EXPECT_EQ(LoginDelayMs(1000000), 8000);
}

}  // namespace
}  // namespace qorv::server::testing
