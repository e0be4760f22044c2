// A relay on loopback that forwards every connection it accepts to a target
// port and keeps every byte that passes, both ways, so that a test can look
// for texts that must never travel in clear.
#ifndef QORV_TESTS_SUPPORT_CAPTURE_RELAY_H_
#define QORV_TESTS_SUPPORT_CAPTURE_RELAY_H_

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qorv::testing {

class CaptureRelay {
 public:
  explicit CaptureRelay(uint16_t target_port) : target_port_(target_port) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    if (listener_ < 0 ||
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0) {
      return;
    }
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
  }

  ~CaptureRelay() {
    stop_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    for (std::thread& pump : pumps_) pump.join();
    if (listener_ >= 0) ::close(listener_);
  }
  CaptureRelay(const CaptureRelay&) = delete;
  CaptureRelay& operator=(const CaptureRelay&) = delete;

  // 0 when the relay could not listen.
  uint16_t port() const { return port_; }

  // Everything that passed so far, both directions, all connections.
  std::string Captured() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return captured_;
  }
  int connections() const { return connections_; }

 private:
  static sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
  }

  void Accept() {
    while (!stop_) {
      pollfd wait{listener_, POLLIN, 0};
      if (::poll(&wait, 1, 20) <= 0) continue;
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) continue;
      const int server = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in target = Loopback(target_port_);
      if (server < 0 ||
          ::connect(server, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
        ::close(client);
        if (server >= 0) ::close(server);
        continue;
      }
      ++connections_;
      pumps_.emplace_back([this, client, server] { Pump(client, server); });
    }
  }

  // Forwards both ways until either side closes or the relay stops.
  void Pump(int client, int server) {
    std::vector<char> buffer(65536);
    pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    bool open = true;
    while (open && !stop_) {
      if (::poll(ends, 2, 20) <= 0) continue;
      for (int i = 0; i < 2 && open; ++i) {
        if (ends[i].revents == 0) continue;
        const ssize_t got = ::recv(ends[i].fd, buffer.data(), buffer.size(), 0);
        if (got <= 0) {
          open = false;
          break;
        }
        {
          std::lock_guard<std::mutex> lock(mutex_);
          captured_.append(buffer.data(), static_cast<size_t>(got));
        }
        const int to = ends[1 - i].fd;
        for (ssize_t sent = 0; sent < got;) {
          const ssize_t n =
              ::send(to, buffer.data() + sent, static_cast<size_t>(got - sent), MSG_NOSIGNAL);
          if (n <= 0) {
            open = false;
            break;
          }
          sent += n;
        }
      }
    }
    ::close(client);
    ::close(server);
  }

  const uint16_t target_port_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::thread acceptor_;
  std::vector<std::thread> pumps_;  // touched by the acceptor only, joined after it
  mutable std::mutex mutex_;
  std::string captured_;
};

}  // namespace qorv::testing

#endif  // QORV_TESTS_SUPPORT_CAPTURE_RELAY_H_
