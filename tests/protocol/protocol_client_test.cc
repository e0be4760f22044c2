// The protocol client over a real socket: the commands whose exchange
// differs from request-and-reply (69 receives nothing, 73 consumes exactly
// one frame unparsed) and a transport failure that reads no reply field.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "net/in_message.h"
#include "net/loopback.h"
#include "net/out_message.h"
#include "net/test_bytes.h"
#include "protocol/protocol_client.h"
#include "protocol/wire_bytes.h"

namespace qorv {
namespace {

using testing::Hex;
using testing::LoopbackPair;
using testing::Wire;

// Cancels the client's waits after a while, so that a client waiting for a
// reply that never comes fails instead of hanging.
class Watchdog {
 public:
  explicit Watchdog(std::atomic<int32_t>* cancel)
      : thread_([this, cancel] {
          for (int i = 0; i < 500 && !done_; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
          }
          if (!done_) *cancel = 1;
        }) {}
  ~Watchdog() {
    done_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

void SendFrame(CCancelableSocket& socket, const Wire& payload) {
  COutMessage out;
  out.AppendBytes(payload.bytes().data(), payload.bytes().size());
  ASSERT_EQ(out.Send(socket), kResultOk);
}

std::string ReceiveFrameHex(CCancelableSocket& socket) {
  CInMessage in;
  EXPECT_EQ(in.Receive(socket), kResultOk);
  return Hex(in.data(), in.size());
}

TEST(ProtocolClient, ConfirmationWithoutReplyReceivesNothing) {
  std::atomic<int32_t> cancel{0};
  LoopbackPair pair(&cancel);
  ASSERT_TRUE(pair.Open());
  Watchdog watchdog(&cancel);
  COutMessage out;
  CInMessage in;
  CProtocolClient client(pair.client(), out, in);
  ConfirmationWithoutReplyCommand confirmation;
  confirmation.results = {0, 19000};
  const ReplyStatus status = client.Run(confirmation);
  EXPECT_EQ(status.status, kResultOk);
  EXPECT_EQ(status.description, "Completed");
  EXPECT_EQ(ReceiveFrameHex(pair.server()), "0000000000004a38");
}

TEST(ProtocolClient, CheckOutConfirmationConsumesExactlyOneFrame) {
  std::atomic<int32_t> cancel{0};
  LoopbackPair pair(&cancel);
  ASSERT_TRUE(pair.Open());
  Watchdog watchdog(&cancel);
  // The confirmation's reply is not parsed (here it is not even a status);
  // the frame after it answers the next command.
  SendFrame(pair.server(), Wire().Byte(0xEE));
  SendFrame(pair.server(), Wire().Status(0, "Completed").Bool(true));
  COutMessage out;
  CInMessage in;
  CProtocolClient client(pair.client(), out, in);
  CheckOutConfirmationCommand confirmation;  // no entries
  EXPECT_EQ(client.Run(confirmation).status, kResultOk);
  ProjectExistsCommand exists;
  exists.project_path = "$/A";
  EXPECT_EQ(client.Run(exists).status, kResultOk);
  EXPECT_TRUE(exists.reply);
  EXPECT_EQ(ReceiveFrameHex(pair.server()), "");  // the empty confirmation frame
  EXPECT_EQ(ReceiveFrameHex(pair.server()), "3400000003242f41");
}

TEST(ProtocolClient, TransportFailureReadsNoReplyField) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Open());
  // The server reads the request and closes without a reply.
  std::thread server([&pair] {
    ReceiveFrameHex(pair.server());
    pair.server().Close();
  });
  COutMessage out;
  CInMessage in;
  CProtocolClient client(pair.client(), out, in);
  FileCountCommand count;
  count.project_path = "$/A";
  count.reply = -7;
  const ReplyStatus status = client.Run(count);
  EXPECT_EQ(status.status, kResultPeerClosed);
  EXPECT_EQ(status.description, "Socket is closed by server");
  EXPECT_EQ(count.reply, -7);
  server.join();
}

}  // namespace
}  // namespace qorv
