// A fake proxy on loopback for the traversal tests: it accepts one client
// connection after another and plays a script on each (bytes to send, whole
// or one byte at a time, byte counts or a request header to read, a close),
// keeping what each connection received for byte-exact checks.
#ifndef QORV_TESTS_NET_FAKE_PROXY_H_
#define QORV_TESTS_NET_FAKE_PROXY_H_

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "net/cancelable_socket.h"
#include "qorvsdk/result_codes.h"

namespace qorv::testing {

struct ProxyStep {
  enum Kind { kSend, kDribble, kReceive, kReceiveHeader, kWaitForClose } kind;
  std::vector<uint8_t> bytes;  // kSend, kDribble
  size_t count = 0;            // kReceive
};

inline ProxyStep Send(std::vector<uint8_t> bytes) { return {ProxyStep::kSend, std::move(bytes)}; }
inline ProxyStep Send(std::string_view text) {
  return {ProxyStep::kSend, std::vector<uint8_t>(text.begin(), text.end())};
}
// Sends one byte at a time with a pause after each, so the client's reads
// see the answer in many small pieces.
inline ProxyStep Dribble(std::vector<uint8_t> bytes) {
  return {ProxyStep::kDribble, std::move(bytes)};
}
inline ProxyStep Dribble(std::string_view text) {
  return {ProxyStep::kDribble, std::vector<uint8_t>(text.begin(), text.end())};
}
inline ProxyStep Receive(size_t count) { return {ProxyStep::kReceive, {}, count}; }
// Reads up to and including the empty line that ends an HTTP request.
inline ProxyStep ReceiveHeader() { return {ProxyStep::kReceiveHeader, {}}; }
// Reads until the client closes; a script that ends without it closes.
inline ProxyStep WaitForClose() { return {ProxyStep::kWaitForClose, {}}; }

using ProxyScript = std::vector<ProxyStep>;

class FakeProxy {
 public:
  FakeProxy() : listener_(&stop_) { EXPECT_EQ(listener_.Listen("127.0.0.1", 0, 4), kResultOk); }
  ~FakeProxy() {
    stop_ = 1;
    Join();
  }
  FakeProxy(const FakeProxy&) = delete;
  FakeProxy& operator=(const FakeProxy&) = delete;

  uint16_t port() const { return listener_.LocalPort(); }

  // Plays one script per accepted connection, in order, on a thread.
  void Start(std::vector<ProxyScript> scripts) {
    received_.assign(scripts.size(), {});
    thread_ = std::thread([this, scripts = std::move(scripts)] {
      for (size_t i = 0; i < scripts.size(); ++i) {
        platform::SocketHandle accepted;
        if (listener_.Accept(&accepted) != kResultOk) return;
        accepted_ = static_cast<int>(i + 1);
        CCancelableSocket peer(&stop_);
        peer.Attach(accepted);
        Play(peer, scripts[i], received_[i]);
        peer.Close();
      }
    });
  }

  void Join() {
    if (thread_.joinable()) thread_.join();
  }

  // What connection `i` received (after Join).
  const std::vector<uint8_t>& received(size_t i) const { return received_.at(i); }
  std::string received_text(size_t i) const {
    return std::string(received_.at(i).begin(), received_.at(i).end());
  }
  // How many connections were accepted.
  int accepted() const { return accepted_; }

 private:
  static void Play(CCancelableSocket& peer, const ProxyScript& script,
                   std::vector<uint8_t>& received) {
    for (const ProxyStep& step : script) {
      switch (step.kind) {
        case ProxyStep::kSend:
          if (peer.Send(step.bytes.data(), step.bytes.size()) != kResultOk) return;
          break;
        case ProxyStep::kDribble:
          for (uint8_t byte : step.bytes) {
            if (peer.Send(&byte, 1) != kResultOk) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
          break;
        case ProxyStep::kReceive: {
          std::vector<uint8_t> got(step.count);
          if (peer.Receive(got.data(), got.size()) != kResultOk) return;
          received.insert(received.end(), got.begin(), got.end());
          break;
        }
        case ProxyStep::kReceiveHeader: {
          uint8_t byte;
          while (peer.Receive(&byte, 1) == kResultOk) {
            received.push_back(byte);
            const size_t n = received.size();
            if (n >= 4 && received[n - 4] == '\r' && received[n - 3] == '\n' &&
                received[n - 2] == '\r' && received[n - 1] == '\n') {
              break;
            }
          }
          break;
        }
        case ProxyStep::kWaitForClose: {
          uint8_t byte;
          while (peer.Receive(&byte, 1) == kResultOk) received.push_back(byte);
          return;
        }
      }
    }
  }

  std::atomic<int32_t> stop_{0};
  CCancelableSocket listener_;
  std::thread thread_;
  std::vector<std::vector<uint8_t>> received_;
  std::atomic<int> accepted_{0};
};

}  // namespace qorv::testing

#endif  // QORV_TESTS_NET_FAKE_PROXY_H_
