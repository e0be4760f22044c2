// Clients that misbehave (malformed requests, absurd lengths, garbage,
// connections dropped mid-request) while another client keeps working, and
// the fault hooks that make the server misbehave for tests.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "codec/byte_order.h"
#include "net/cancelable_socket.h"
#include "net/handshake.h"
#include "server/raw_client.h"
#include "server/server_fixture.h"

namespace qorv::server::testing {
namespace {

using Clock = std::chrono::steady_clock;

class RobustnessTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    MustCreateProject("$/P");
    witness_ = LoggedIn("bob", "hunter2");
  }

  // The well-behaved client still gets its answers.
  void ExpectWitnessServed() {
    Reply reply = witness_->Call(52, [](COutMessage& out) { out.AppendString("$/P"); });
    ASSERT_EQ(reply.status, 0) << reply.text;
    EXPECT_TRUE(witness_->in().ReadBool());
  }

  std::unique_ptr<TestClient> witness_;
};

TEST_F(RobustnessTest, MalformedRequestsAreAnsweredAndTheConnectionStaysUsable) {
  auto client = LoggedIn();
  // A string count running past the end of the payload.
  client->out().Reset();
  client->out().AppendByte(52);
  client->out().AppendInt32(1000);
  client->out().AppendBytes("$/P", 3);
  Reply reply = client->Exchange();
  EXPECT_EQ(reply.status, kStatusMalformedRequest);
  EXPECT_EQ(reply.text, "Malformed request");
  EXPECT_EQ(client->in().remaining(), 0u);

  // A list announcing two billion entries, and a negative count: refused
  // from the bytes present, before any entry is read or allocated.
  for (int32_t count : {0x7FFFFFFF, -1}) {
    reply = client->Call(4, [count](COutMessage& out) {
      out.AppendString("");
      out.AppendInt32(count);
      out.AppendString("$/P/Q");
    });
    EXPECT_EQ(reply.status, kStatusMalformedRequest) << count;
  }
  // A request that stops before its last field changes nothing, even when
  // its first fields were whole.
  reply = client->Call(4, [](COutMessage& out) {
    out.AppendString("");
    out.AppendInt32(2);
    out.AppendString("$/P/Q");
  });
  EXPECT_EQ(reply.status, kStatusMalformedRequest);
  EXPECT_FALSE(db_->ProjectExists("$/P/Q"));

  // An empty frame carries no command at all.
  client->out().Reset();
  EXPECT_EQ(client->Exchange().status, kStatusMalformedRequest);

  // Bytes after the last field are ignored (Blowfish padding looks so).
  reply = client->Call(52, [](COutMessage& out) {
    out.AppendString("$/P");
    out.AppendBytes("\0\0\0\0\0\0\0", 7);
  });
  ASSERT_EQ(reply.status, 0) << reply.text;
  EXPECT_TRUE(client->in().ReadBool());
}

TEST_F(RobustnessTest, AbsurdLengthsAndGarbageCloseOnlyTheirOwnConnections) {
  {
    RawClient absurd(server_->port());
    absurd.Handshake();
    ASSERT_EQ(absurd.Send(LengthPrefix(0xFFFFFFF0u)), kResultOk);
    EXPECT_TRUE(absurd.ClosedByServer());
  }
  {
    // Just above the server's request bound, with nothing behind it: the
    // server must not wait for (or allocate) 16 MiB.
    RawClient large(server_->port());
    large.Handshake();
    ASSERT_EQ(large.Send(LengthPrefix(kMaxRequestFrame + 1)), kResultOk);
    EXPECT_TRUE(large.ClosedByServer());
  }
  ExpectWitnessServed();
  {
    RawClient garbage(server_->port());
    const std::string http = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
    ASSERT_EQ(garbage.Send({http.begin(), http.end()}), kResultOk);
    EXPECT_TRUE(garbage.ClosedByServer());
  }
  ExpectWitnessServed();
}

TEST_F(RobustnessTest, ABlowfishPayloadOfPartialBlocksClosesTheConnection) {
  StartServer(Config(1));
  witness_ = Connected();
  ASSERT_EQ(witness_->Call(82).status, 0);
  RawClient client(server_->port());
  client.Handshake();
  std::vector<uint8_t> frame = LengthPrefix(5);
  frame.insert(frame.end(), {82, 0, 0, 0, 0});
  ASSERT_EQ(client.Send(frame), kResultOk);
  EXPECT_TRUE(client.ClosedByServer());
  EXPECT_EQ(witness_->Call(82).status, 0);
}

TEST_F(RobustnessTest, AClientDroppedMidRequestLeavesTheStoreUnchanged) {
  auto client = LoggedIn();
  COutMessage request;
  request.AppendByte(4);
  request.AppendString("comment");
  request.AppendInt32(1);
  request.AppendString("$/P/Half");
  std::vector<uint8_t> frame;
  ASSERT_EQ(request.BuildFrame(&frame), kResultOk);
  // All but the last byte, then the connection goes.
  ASSERT_EQ(client->connection().socket().Send(frame.data(), frame.size() - 1), kResultOk);
  client.reset();
  ASSERT_TRUE(WaitForSessions(1));  // the server is done with that connection
  ExpectWitnessServed();
  EXPECT_FALSE(db_->ProjectExists("$/P/Half"));
  std::vector<HistoryEntry> history;
  ASSERT_TRUE(db_->ProjectHistoryOf("$/P", false, false, {}, &history).ok());
  EXPECT_EQ(history.size(), 1u);  // only its creation
}

TEST_F(RobustnessTest, ManyClientsAtOnceAreEachServed) {
  std::vector<std::thread> threads;
  std::atomic<int> served{0};
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      TestClient client(server_->port());
      if (client.Connect().result != 0) return;
      if (client.Login("Main", i % 2 ? "alice" : "bob", i % 2 ? "secret" : "hunter2") == 0) return;
      const std::string path = "$/P/T" + std::to_string(i);
      Reply reply = client.Call(4, [&](COutMessage& out) {
        out.AppendString("");
        AppendStrings(out, {path});
      });
      if (reply.status == 0 && client.in().ReadInt32() == 0) ++served;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(served, 8);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(db_->ProjectExists("$/P/T" + std::to_string(i)));
}

TEST_F(RobustnessTest, DropHookClosesAtTheFrameAfterTheNthWithoutCarryingItOut) {
  // Set through the configuration, as the --fault-drop-after flag does.
  ServerConfig config;
  config.faults.drop_after_frames = 2;
  StartServer(config);
  witness_.reset();
  auto client = LoggedIn();               // frame 1
  EXPECT_EQ(client->Call(82).status, 0);  // frame 2
  Reply reply = client->Call(4, [](COutMessage& out) {
    out.AppendString("");
    AppendStrings(out, {"$/P/Dropped"});
  });
  EXPECT_EQ(reply.status, kResultPeerClosed);
  EXPECT_FALSE(db_->ProjectExists("$/P/Dropped"));
  server_->SetFaultHooks({});
  auto again = LoggedIn();
  EXPECT_EQ(again->Call(82).status, 0);
}

TEST_F(RobustnessTest, InjectedStatusesReplaceTheCommandAndDelayHoldsReplies) {
  FaultHooks hooks;
  hooks.injected_statuses[4] = {kStatusStoreError, "Server store error: disk full"};
  hooks.injected_statuses[32] = {40599, kTextInjectedFailure};
  server_->SetFaultHooks(hooks);
  auto client = LoggedIn();
  Reply reply = client->Call(4, [](COutMessage& out) {
    out.AppendString("");
    AppendStrings(out, {"$/P/Refused"});
  });
  EXPECT_EQ(reply.status, kStatusStoreError);
  EXPECT_EQ(reply.text, "Server store error: disk full");
  EXPECT_FALSE(db_->ProjectExists("$/P/Refused"));
  reply = client->Call(32, [](COutMessage& out) { AppendStrings(out, {"$/P/x"}); });
  EXPECT_EQ(reply.status, 40599);
  EXPECT_EQ(client->in().ReadInt32(), 40599);
  EXPECT_EQ(client->in().ReadString(), "Injected failure");
  // Other commands go on as usual.
  EXPECT_EQ(client->Call(82).status, 0);

  hooks = {};
  hooks.reply_delay_ms = 300;
  server_->SetFaultHooks(hooks);
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(client->Call(82).status, 0);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(300));
}

}  // namespace
}  // namespace qorv::server::testing
