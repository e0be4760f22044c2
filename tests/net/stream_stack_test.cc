// Layers on a socket's stream stack: their "would block" answers are waited
// out in the direction the layer asks for (not the direction of the call),
// their failures carry the SSL library's texts, and Close ends them first.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "net/byte_stream.h"
#include "net/cancelable_socket.h"
#include "net/loopback.h"
#include "net/ssl_channel.h"
#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

using testing::LoopbackPair;

// A TLS stand-in that passes bytes through the stream below unchanged and
// answers "would block" on every other call, with the SSL library's codes
// 20012 / 20013, as a non-blocking SSL library does.
class StutteringTlsStream : public ByteStream {
 public:
  StutteringTlsStream(ByteStream& below, int* closes) : below_(below), closes_(closes) {}
  StreamResult Send(const void* data, size_t length) override {
    if ((stutter_ = !stutter_)) return SslLibraryResult(-1, kResultSslWriteWouldBlock);
    const StreamResult result = below_.Send(data, std::min<size_t>(length, 1000));
    return result.kind == StreamResult::Kind::kFailed ? SslLibraryResult(-1, 20010) : result;
  }
  StreamResult Receive(void* buffer, size_t length, bool peek) override {
    if (fail_receive_with_ != 0) return SslLibraryResult(-1, fail_receive_with_);
    if (!peek && (stutter_ = !stutter_)) return SslLibraryResult(-1, kResultSslReadWouldBlock);
    const StreamResult result = below_.Receive(buffer, length, peek);
    return result.kind == StreamResult::Kind::kFailed ? SslLibraryResult(-1, 20011) : result;
  }
  bool HasBufferedData() const override { return false; }
  int Close() override {
    ++*closes_;
    return 0;
  }
  void FailReceivesWith(int32_t code) { fail_receive_with_ = code; }

 private:
  ByteStream& below_;
  int* closes_;
  bool stutter_ = false;
  int32_t fail_receive_with_ = 0;
};

std::vector<uint8_t> RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

TEST(StreamStack, WouldBlockAnswersAreRetriedAndOtherFailuresReported) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Open());
  int closes = 0;
  auto layer = std::make_unique<StutteringTlsStream>(pair.client().stream(), &closes);
  StutteringTlsStream* tls = layer.get();
  ASSERT_EQ(pair.client().PushStream(std::move(layer)), kResultOk);
  EXPECT_TRUE(pair.client().layered());

  const std::vector<uint8_t> data = RandomBytes(200 * 1024 + 3, 5);
  std::thread peer([&] {
    std::vector<uint8_t> got(data.size());
    ASSERT_EQ(pair.server().Receive(got.data(), got.size()), kResultOk);
    ASSERT_EQ(pair.server().Send(got.data(), got.size()), kResultOk);
  });
  ASSERT_EQ(pair.client().Send(data.data(), data.size()), kResultOk);
  std::vector<uint8_t> echoed(data.size());
  ASSERT_EQ(pair.client().Receive(echoed.data(), echoed.size()), kResultOk);
  peer.join();
  EXPECT_TRUE(echoed == data);
  EXPECT_TRUE(pair.client().IsAlive());  // idle: nothing pending

  // Any other SSL failure is reported with the library's text.
  tls->FailReceivesWith(20011);
  const uint8_t one = 1;
  ASSERT_EQ(pair.server().Send(&one, 1), kResultOk);
  uint8_t byte;
  EXPECT_EQ(pair.client().Receive(&byte, 1), kResultSocketError);
  EXPECT_EQ(pair.client().last_error_text(), "Error at recv(): Failed to receive data.");
  EXPECT_FALSE(pair.client().IsAlive());  // the peek fails too

  // Close ends the layer before the socket.
  EXPECT_EQ(pair.client().Close(), kResultPeerClosed);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(pair.client().layered());
}

// A TLS stand-in that answers its peer's renegotiation request before it
// can deliver data: having read the request, it wants to write while
// receiving. The peer sends the data only after that answer arrived, so a
// socket that waited for readability (the call's direction) would wait for
// ever.
class RenegotiatingStream : public ByteStream {
 public:
  explicit RenegotiatingStream(ByteStream& below) : below_(below) {}
  StreamResult Send(const void* data, size_t length) override { return below_.Send(data, length); }
  StreamResult Receive(void* buffer, size_t length, bool peek) override {
    if (!request_seen_) {
      uint8_t request;
      const StreamResult result = below_.Receive(&request, 1, false);
      if (result.kind != StreamResult::Kind::kDone) return result;
      request_seen_ = true;
      // As if its send buffer were full at the first try.
      return StreamResult::WouldBlock(StreamWait::kWrite);
    }
    if (!answered_) {
      const uint8_t answer = 'R';
      const StreamResult sent = below_.Send(&answer, 1);
      if (sent.kind != StreamResult::Kind::kDone) return sent;
      answered_ = true;
    }
    return below_.Receive(buffer, length, peek);
  }
  bool HasBufferedData() const override { return false; }
  int Close() override { return 0; }

 private:
  ByteStream& below_;
  bool request_seen_ = false;
  bool answered_ = false;
};

// A stream that may send only after the peer's go-ahead byte: while sending
// it wants to read.
class GatedStream : public ByteStream {
 public:
  explicit GatedStream(ByteStream& below) : below_(below) {}
  StreamResult Send(const void* data, size_t length) override {
    ++send_calls;
    if (!open_) {
      uint8_t go;
      const StreamResult result = below_.Receive(&go, 1, false);
      if (result.kind != StreamResult::Kind::kDone) return result;
      open_ = true;
    }
    return below_.Send(data, length);
  }
  StreamResult Receive(void* buffer, size_t length, bool peek) override {
    return below_.Receive(buffer, length, peek);
  }
  bool HasBufferedData() const override { return false; }
  int Close() override { return 0; }

  int send_calls = 0;

 private:
  ByteStream& below_;
  bool open_ = false;
};

TEST(StreamStack, TheWaitFollowsTheDirectionTheStreamAsksFor) {
  std::atomic<int32_t> cancel{0};
  LoopbackPair pair(&cancel);
  ASSERT_TRUE(pair.Open());
  // Ends a wait that went the wrong way, so the test fails instead of hanging.
  std::atomic<bool> done{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 100 && !done; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    cancel = 1;
  });

  // Receiving, the stream wants to write first.
  ASSERT_EQ(pair.client().PushStream(std::make_unique<RenegotiatingStream>(pair.client().stream())),
            kResultOk);
  std::thread peer([&] {
    const uint8_t request = 'Q';
    ASSERT_EQ(pair.server().Send(&request, 1), kResultOk);
    uint8_t message = 0;
    ASSERT_EQ(pair.server().Receive(&message, 1), kResultOk);
    EXPECT_EQ(message, 'R');
    const uint8_t data[3] = {7, 8, 9};
    ASSERT_EQ(pair.server().Send(data, sizeof(data)), kResultOk);
  });
  uint8_t got[3] = {};
  const int32_t received = pair.client().Receive(got, sizeof(got));
  EXPECT_EQ(received, kResultOk);
  if (received != kResultOk) pair.client().Close();  // releases the peer
  peer.join();
  EXPECT_EQ(got[2], 9);

  // Sending, the stream wants to read first: the socket waits for the
  // go-ahead instead of calling again and again while it is writable.
  auto gated = std::make_unique<GatedStream>(pair.client().stream());
  GatedStream* gate = gated.get();
  ASSERT_EQ(pair.client().PushStream(std::move(gated)), kResultOk);
  peer = std::thread([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const uint8_t go = 1;
    ASSERT_EQ(pair.server().Send(&go, 1), kResultOk);
    uint8_t payload[2] = {};
    ASSERT_EQ(pair.server().Receive(payload, sizeof(payload)), kResultOk);
    EXPECT_EQ(payload[1], 6);
  });
  const uint8_t payload[2] = {5, 6};
  const int32_t sent = pair.client().Send(payload, sizeof(payload));
  EXPECT_EQ(sent, kResultOk);
  if (sent != kResultOk) pair.client().Close();
  peer.join();
  EXPECT_LE(gate->send_calls, 3);
  done = true;
  watchdog.join();
}

TEST(StreamStack, TheBlockingSocketWaitsForTheStreamToo) {
  CCancelableSocket listener;
  ASSERT_EQ(listener.Listen("127.0.0.1", 0, 1), kResultOk);
  CBlockingSocket client;
  ASSERT_EQ(client.Create(false, false, false), kResultOk);
  ASSERT_EQ(client.Connect("127.0.0.1", listener.LocalPort()), kResultOk);
  platform::SocketHandle accepted;
  ASSERT_EQ(listener.Accept(&accepted), kResultOk);
  CCancelableSocket server;
  server.Attach(accepted);

  auto gated = std::make_unique<GatedStream>(client.stream());
  GatedStream* gate = gated.get();
  ASSERT_EQ(client.PushStream(std::move(gated)), kResultOk);
  std::thread peer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const uint8_t go = 1;
    ASSERT_EQ(server.Send(&go, 1), kResultOk);
    // The peer closes once the payload came: the next receive reads 11001.
    uint8_t payload[4] = {};
    ASSERT_EQ(server.Receive(payload, sizeof(payload)), kResultOk);
    server.Close();
  });
  const uint8_t payload[4] = {1, 2, 3, 4};
  EXPECT_EQ(client.Send(payload, sizeof(payload)), kResultOk);
  EXPECT_LE(gate->send_calls, 3);
  peer.join();
  uint8_t byte;
  EXPECT_EQ(client.Receive(&byte, 1), kResultPeerClosed);
}

}  // namespace
}  // namespace qorv
