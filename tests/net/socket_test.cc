// The cancelable socket on loopback: exact transfers, the 4-byte and string
// forms, peer close, cancel, bounded connect, liveness and the status texts.
// Layers on the stream stack: stream_stack_test.cc.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "net/cancelable_socket.h"
#include "net/loopback.h"
#include "platform/socket.h"
#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

using Clock = std::chrono::steady_clock;
using testing::LoopbackPair;
using testing::SilentListener;

std::vector<uint8_t> RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

TEST(CancelableSocket, ExactTransfersAcrossManyChunks) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Open());
  // Far more than the 64 KiB send chunk and the 32 KiB socket buffers, and
  // not a multiple of either.
  const std::vector<uint8_t> data = RandomBytes(3 * 1024 * 1024 + 12345, 1);
  std::vector<uint8_t> echoed(data.size());
  std::thread peer([&] {
    std::vector<uint8_t> got(data.size());
    ASSERT_EQ(pair.server().Receive(got.data(), got.size()), kResultOk);
    ASSERT_EQ(pair.server().Send(got.data(), got.size()), kResultOk);
  });
  ASSERT_EQ(pair.client().Send(data.data(), data.size()), kResultOk);
  ASSERT_EQ(pair.client().Receive(echoed.data(), echoed.size()), kResultOk);
  peer.join();
  EXPECT_TRUE(echoed == data);
}

TEST(CancelableSocket, FourByteFormsAndStringsOnTheWire) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Open());
  ASSERT_EQ(pair.client().SendInt32(0x01020304), kResultOk);
  ASSERT_EQ(pair.client().SendRaw4(0x01020304u), kResultOk);
  uint8_t wire[8];
  ASSERT_EQ(pair.server().Receive(wire, 8), kResultOk);
  const uint8_t expected[8] = {1, 2, 3, 4, 4, 3, 2, 1};  // big-endian, then as in memory
  EXPECT_EQ(0, std::memcmp(wire, expected, 8));

  // A negative int32 survives the trip; a string is a count and its bytes.
  const uint8_t reply[] = {0xFF, 0xFF, 0xFF, 0xFE, 0, 0,    0,    3,    'a', 'b',
                           'c',  0,    0,    0,    0, 0x78, 0x56, 0x34, 0x12};
  ASSERT_EQ(pair.server().Send(reply, sizeof(reply)), kResultOk);
  int32_t number = 0;
  ASSERT_EQ(pair.client().ReceiveInt32(&number), kResultOk);
  EXPECT_EQ(number, -2);
  std::string text = "old";
  ASSERT_EQ(pair.client().ReceiveString(&text), kResultOk);
  EXPECT_EQ(text, "abc");
  ASSERT_EQ(pair.client().ReceiveString(&text), kResultOk);
  EXPECT_EQ(text, "");
  uint32_t raw = 0;
  ASSERT_EQ(pair.client().ReceiveRaw4(&raw), kResultOk);
  EXPECT_EQ(raw, 0x12345678u);
}

TEST(CancelableSocket, AbsurdStringLengthIsRefusedWithoutWaiting) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Open());
  // 0xFFFFFFF0 bytes announced, none sent: refused at once instead of
  // allocating 4 GiB and waiting for them.
  const uint8_t count[4] = {0xFF, 0xFF, 0xFF, 0xF0};
  ASSERT_EQ(pair.server().Send(count, 4), kResultOk);
  std::string text;
  EXPECT_EQ(pair.client().ReceiveString(&text), kResultReceiveOutOfMemory);
  EXPECT_EQ(pair.client().StatusText(kResultReceiveOutOfMemory), kTextOutOfMemoryStatus);
}

TEST(CancelableSocket, PeerClosingMidReceiveGives11001) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Open());
  const uint8_t some[10] = {1, 2, 3};
  ASSERT_EQ(pair.server().Send(some, sizeof(some)), kResultOk);
  EXPECT_EQ(pair.server().Close(), kResultPeerClosed);
  uint8_t buffer[20];
  const int32_t code = pair.client().Receive(buffer, sizeof(buffer));
  EXPECT_EQ(code, kResultPeerClosed);
  EXPECT_EQ(pair.client().StatusText(code), "Socket is closed by server");
}

TEST(CancelableSocket, ZeroByteTransfersTouchNothing) {
  // Never created: any real socket call would fail with 11002.
  CCancelableSocket socket;
  EXPECT_EQ(socket.Send(nullptr, 0), kResultOk);
  EXPECT_EQ(socket.Receive(nullptr, 0), kResultOk);
  EXPECT_EQ(socket.last_error_text(), "");
  EXPECT_EQ(socket.Close(), kResultPeerClosed);  // closing a closed socket does nothing
  EXPECT_FALSE(socket.IsAlive());
}

TEST(CancelableSocket, CancelWhileWaitingForDataGives11003) {
  std::atomic<int32_t> cancel{0};
  LoopbackPair pair(&cancel);
  ASSERT_TRUE(pair.Open());

  // Set before the wait: nothing is read.
  cancel = 1;
  uint8_t byte;
  EXPECT_EQ(pair.client().Receive(&byte, 1), kResultSocketCanceled);
  cancel = 0;

  // Set while the receive waits for a peer that stays silent.
  Clock::time_point set_at;
  std::thread canceler([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    set_at = Clock::now();
    cancel.store(1, std::memory_order_relaxed);
  });
  const int32_t code = pair.client().Receive(&byte, 1);
  const auto returned_at = Clock::now();
  canceler.join();
  EXPECT_EQ(code, kResultSocketCanceled);
  EXPECT_EQ(pair.client().StatusText(code), "Canceled");
  // Seen at the next poll; the bound is loose so a loaded machine passes.
  EXPECT_LT(returned_at - set_at, std::chrono::seconds(3));

  // The connection itself is untouched: data sent now still arrives.
  cancel = 0;
  const uint8_t late = 42;
  ASSERT_EQ(pair.server().Send(&late, 1), kResultOk);
  ASSERT_EQ(pair.client().Receive(&byte, 1), kResultOk);
  EXPECT_EQ(byte, 42);
}

TEST(CancelableSocket, ReceiveTimeOutCountsSilenceAndSetsTheKeepAliveTiming) {
  LoopbackPair pair;
  pair.client().set_receive_timeout(60);
  ASSERT_TRUE(pair.Open());
  const platform::SocketHandle handle = pair.client().handle();
  int keep_alive = 0, idle = 0, interval = 0, count = 0;
  ASSERT_TRUE(platform::GetSocketOption(handle, platform::SocketOption::kKeepAlive, &keep_alive));
  ASSERT_TRUE(platform::GetSocketOption(handle, platform::SocketOption::kKeepAliveIdle, &idle));
  ASSERT_TRUE(
      platform::GetSocketOption(handle, platform::SocketOption::kKeepAliveInterval, &interval));
  ASSERT_TRUE(platform::GetSocketOption(handle, platform::SocketOption::kKeepAliveCount, &count));
  EXPECT_EQ(keep_alive, 1);
  EXPECT_EQ(idle, 30);
  EXPECT_EQ(interval, 10);
  EXPECT_EQ(count, 3);

  // Part of what a receive asks for arrives, then nothing: the wait for the
  // rest gives up after the time-out, not after the first byte's.
  pair.client().set_receive_timeout(1);
  std::thread sender([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const uint8_t first = 1;
    pair.server().Send(&first, 1);
  });
  uint8_t bytes[4];
  const auto start = Clock::now();
  const int32_t code = pair.client().Receive(bytes, sizeof(bytes));
  const auto waited = Clock::now() - start;
  sender.join();
  EXPECT_EQ(code, kResultSocketError);
  EXPECT_EQ(pair.client().StatusText(code), "Error at select(): time out\r\n");
  EXPECT_GE(waited, std::chrono::milliseconds(1700));
  EXPECT_LT(waited, std::chrono::milliseconds(4000));
}

TEST(CancelableSocket, WritingToAClosedPeerFailsWithoutSigpipe) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Open());
  pair.server().Close();
  // The first writes may still be accepted by the stack; keep writing until
  // the reset comes back. A SIGPIPE would end the test program here.
  const std::vector<uint8_t> data(256 * 1024, 7);
  int32_t code = kResultOk;
  for (int i = 0; i < 50 && code == kResultOk; ++i)
    code = pair.client().Send(data.data(), data.size());
  EXPECT_EQ(code, kResultSocketError);
  const std::string text = pair.client().StatusText(code);
  EXPECT_EQ(text.rfind("Error at send(): ", 0), 0u) << text;
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(CancelableSocket, IsAliveTellsIdleFromClosed) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Open());
  EXPECT_TRUE(pair.client().IsAlive());  // idle, nothing pending
  const uint8_t pending = 1;
  ASSERT_EQ(pair.server().Send(&pending, 1), kResultOk);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(pair.client().IsAlive());  // data pending: peeked, not consumed
  uint8_t byte = 0;
  ASSERT_EQ(pair.client().Receive(&byte, 1), kResultOk);
  EXPECT_EQ(byte, 1);

  pair.server().Close();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(pair.client().IsAlive());
  EXPECT_EQ(pair.client().Close(), kResultPeerClosed);
  EXPECT_FALSE(pair.client().IsOpen());
  EXPECT_FALSE(pair.client().IsAlive());
}

TEST(CancelableSocket, ConnectFailuresAreReportedNotTakenForSuccess) {
  // A port nobody listens on: refused, not "connected".
  CCancelableSocket probe;
  ASSERT_EQ(probe.Listen("127.0.0.1", 0, 1), kResultOk);
  const uint16_t dead_port = probe.LocalPort();
  probe.Close();
  CCancelableSocket socket;
  ASSERT_EQ(socket.Create(false, true, true), kResultOk);
  EXPECT_EQ(socket.ConnectWithTimeout("127.0.0.1", dead_port), kResultSocketError);
  EXPECT_EQ(socket.last_error_text().rfind("Error at connect(): ", 0), 0u)
      << socket.last_error_text();

  // A name that does not resolve.
  ASSERT_EQ(socket.Create(false, true, true), kResultOk);
  EXPECT_EQ(socket.ConnectWithTimeout("no.such.host.invalid", 80), kResultSocketError);
  EXPECT_EQ(socket.last_error_text(), "Error at gethostbyname(): No such host is known.");

  // A name that resolves connects like its address, and the socket is
  // blocking again afterwards.
  CCancelableSocket listener;
  ASSERT_EQ(listener.Listen("127.0.0.1", 0, 1), kResultOk);
  ASSERT_EQ(socket.Create(false, true, true), kResultOk);
  EXPECT_EQ(socket.ConnectWithTimeout("localhost", listener.LocalPort()), kResultOk)
      << socket.last_error_text();
  CBlockingSocket blocking;
  ASSERT_EQ(blocking.Create(false, false, false), kResultOk);
  EXPECT_EQ(blocking.Connect("127.0.0.1", listener.LocalPort()), kResultOk);
}

TEST(CancelableSocket, ConnectWithoutAnswerIsCancelableAndBounded) {
  SilentListener silent;
  if (!silent.Fill()) GTEST_SKIP() << "no way to make a loopback connect hang here";

  std::atomic<int32_t> cancel{0};
  CCancelableSocket socket(&cancel);
  ASSERT_EQ(socket.Create(false, true, true), kResultOk);
  std::thread canceler([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    cancel.store(1, std::memory_order_relaxed);
  });
  EXPECT_EQ(socket.ConnectWithTimeout("127.0.0.1", silent.port()), kResultSocketCanceled);
  canceler.join();

  // Without a cancel, the bound ends the wait (shortened here from 180 polls).
  cancel = 0;
  ASSERT_EQ(socket.Create(false, true, true), kResultOk);
  socket.set_connect_poll_limit(2);
  EXPECT_EQ(socket.ConnectWithTimeout("127.0.0.1", silent.port()), kResultSocketError);
  EXPECT_EQ(socket.last_error_text(), "Error at select(): time out");
  EXPECT_EQ(socket.StatusText(kResultSocketError), "Error at select(): time out\r\n");
}

TEST(CancelableSocket, StatusTexts) {
  CCancelableSocket socket;
  EXPECT_EQ(socket.StatusText(kResultOk), "Completed");
  EXPECT_EQ(socket.StatusText(kResultOutOfMemory), kTextOutOfMemoryStatus);
  EXPECT_EQ(socket.StatusText(kResultSocketError), "Socket error occured");  // no text yet
  EXPECT_EQ(socket.StatusText(12345), "Unspecified error");
}

}  // namespace
}  // namespace qorv
