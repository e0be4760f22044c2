// Loopback connections for socket, framing and handshake tests: a listening
// socket on an ephemeral port, and a connected client/server pair.
#ifndef QORV_TESTS_NET_LOOPBACK_H_
#define QORV_TESTS_NET_LOOPBACK_H_

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

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

// A listener whose accept queue is full: further connects get no answer, so
// they stay in progress, as a connect to a silent host does.
class SilentListener {
 public:
  // False when this machine's stack answers beyond the backlog anyway.
  bool Fill() {
    if (listener_.Listen("127.0.0.1", 0, 0) != kResultOk) return false;
    for (int i = 0; i < 8; ++i) {
      auto filler = std::make_unique<CCancelableSocket>();
      if (filler->Create(false, true, true) != kResultOk) return false;
      filler->set_connect_poll_limit(1);
      const int32_t code = filler->ConnectWithTimeout("127.0.0.1", listener_.LocalPort());
      if (code == kResultSocketError && filler->last_error_text() == kTextSelectTimeOut) {
        return true;  // this one got no answer: the queue is full
      }
      if (code != kResultOk) return false;
      fillers_.push_back(std::move(filler));
    }
    return false;
  }
  uint16_t port() const { return listener_.LocalPort(); }

 private:
  CCancelableSocket listener_;
  std::vector<std::unique_ptr<CCancelableSocket>> fillers_;
};

}  // namespace qorv::testing

#endif  // QORV_TESTS_NET_LOOPBACK_H_
