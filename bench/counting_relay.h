// A TCP relay on loopback that counts the bytes passing each way: the
// client connects to the relay, which connects on to the server, so the
// bytes a server sent its client are counted on the wire, every connection
// (main and transfer) included.
#ifndef QORV_BENCH_COUNTING_RELAY_H_
#define QORV_BENCH_COUNTING_RELAY_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace qorv::bench {

class CountingRelay {
 public:
  // Listens on a free loopback port and relays to 127.0.0.1:`target_port`.
  explicit CountingRelay(uint16_t target_port);
  ~CountingRelay();
  CountingRelay(const CountingRelay&) = delete;
  CountingRelay& operator=(const CountingRelay&) = delete;

  uint16_t port() const { return port_; }
  uint64_t to_client() const { return to_client_.load(); }
  uint64_t to_server() const { return to_server_.load(); }
  void ResetCounts() {
    to_client_ = 0;
    to_server_ = 0;
  }

 private:
  void AcceptLoop();
  // Copies from `from` to `to` until either side ends, then shuts both.
  void Pump(platform::SocketHandle from, platform::SocketHandle to, std::atomic<uint64_t>* count);

  uint16_t target_port_;
  platform::SocketHandle listener_ = platform::kInvalidSocket;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<uint64_t> to_client_{0};
  std::atomic<uint64_t> to_server_{0};
  std::mutex mutex_;
  std::vector<platform::SocketHandle> sockets_;
  std::vector<std::thread> pumps_;
  std::thread acceptor_;
};

}  // namespace qorv::bench

#endif  // QORV_BENCH_COUNTING_RELAY_H_
