// A raw client connection for the server tests: it hand-shakes (or not)
// and then sends bytes of the test's choosing.
#ifndef QORV_TESTS_SERVER_RAW_CLIENT_H_
#define QORV_TESTS_SERVER_RAW_CLIENT_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "codec/byte_order.h"
#include "net/cancelable_socket.h"
#include "net/handshake.h"
#include "qorvsdk/result_codes.h"

namespace qorv::server::testing {

class RawClient {
 public:
  explicit RawClient(uint16_t port) {
    EXPECT_EQ(socket_.Create(false, true, true), kResultOk);
    EXPECT_EQ(socket_.ConnectWithTimeout("127.0.0.1", port), kResultOk);
  }

  void Handshake() {
    ASSERT_EQ(socket_.SendInt32(static_cast<int32_t>(kHandshakeMagic)), kResultOk);
    // magic, "5.2", raw4, mode, product name, five values.
    std::vector<uint8_t> hello(4 + 4 + 3 + 4 + 4 + 4 + std::strlen(kProductName) + 20);
    ASSERT_EQ(socket_.Receive(hello.data(), hello.size()), kResultOk);
  }

  int32_t Send(const std::vector<uint8_t>& bytes) {
    return socket_.Send(bytes.data(), bytes.size());
  }

  // True when the server closed the connection without sending anything:
  // an orderly close, or a reset when it left unread bytes behind.
  bool ClosedByServer() {
    uint8_t byte;
    const int32_t code = socket_.Receive(&byte, 1);
    return code == kResultPeerClosed || code == kResultSocketError;
  }

  // ClosedByServer, but false once the server has kept the connection
  // open for `polls` polls of 300 ms.
  bool ClosedByServerWithin(int polls) {
    socket_.set_wait_poll_limit(polls);
    uint8_t byte;
    const int32_t code = socket_.Receive(&byte, 1);
    socket_.set_wait_poll_limit(0);
    if (code == kResultSocketError &&
        socket_.last_error_text().find("time out") != std::string::npos) {
      return false;
    }
    return code == kResultPeerClosed || code == kResultSocketError;
  }

  CCancelableSocket& socket() { return socket_; }

 private:
  CCancelableSocket socket_;
};

inline std::vector<uint8_t> LengthPrefix(uint32_t length) {
  std::vector<uint8_t> bytes(4);
  StoreBigEndian32(bytes.data(), length);
  return bytes;
}

}  // namespace qorv::server::testing

#endif  // QORV_TESTS_SERVER_RAW_CLIENT_H_
