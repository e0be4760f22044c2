// Loopback connections for socket, framing and handshake tests: a listening
// socket on an ephemeral port, and a connected client/server pair.
#ifndef QORV_TESTS_NET_LOOPBACK_H_
#define QORV_TESTS_NET_LOOPBACK_H_

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>

#include "net/cancelable_socket.h"
#include "qorvsdk/result_codes.h"

namespace qorv::testing {

class LoopbackPair {
 public:
  explicit LoopbackPair(const std::atomic<int32_t>* cancel_flag = nullptr) : client_(cancel_flag) {}

  // Connects client() to server(); false (with a test failure) otherwise.
  bool Open() {
    if (listener_.Listen("127.0.0.1", 0, 4) != kResultOk) {
      ADD_FAILURE() << listener_.last_error_text();
      return false;
    }
    if (client_.Create(false, true, true) != kResultOk ||
        client_.ConnectWithTimeout("127.0.0.1", listener_.LocalPort()) != kResultOk) {
      ADD_FAILURE() << client_.last_error_text();
      return false;
    }
    platform::SocketHandle accepted;
    if (listener_.Accept(&accepted) != kResultOk) {
      ADD_FAILURE() << listener_.last_error_text();
      return false;
    }
    server_.Attach(accepted);
    return true;
  }

  CCancelableSocket& client() { return client_; }
  CCancelableSocket& server() { return server_; }

 private:
  CCancelableSocket listener_;
  CCancelableSocket client_;
  CCancelableSocket server_;
};

}  // namespace qorv::testing

#endif  // QORV_TESTS_NET_LOOPBACK_H_
