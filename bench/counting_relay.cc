#include "counting_relay.h"

#include <vector>

#include "bench_tools.h"

namespace qorv::bench {

CountingRelay::CountingRelay(uint16_t target_port) : target_port_(target_port) {
  listener_ = platform::ListenOn("127.0.0.1", 0, 64);
  Check(listener_ != platform::kInvalidSocket, "the relay cannot listen");
  port_ = platform::LocalPort(listener_);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

CountingRelay::~CountingRelay() {
  stopping_ = true;
  platform::ShutdownSocket(listener_);
  acceptor_.join();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (platform::SocketHandle socket : sockets_) platform::ShutdownSocket(socket);
  }
  for (std::thread& pump : pumps_) pump.join();
  for (platform::SocketHandle socket : sockets_) platform::CloseSocket(socket);
  platform::CloseSocket(listener_);
}

void CountingRelay::AcceptLoop() {
  while (!stopping_) {
    const platform::SocketHandle client = platform::Accept(listener_);
    if (client == platform::kInvalidSocket) continue;
    if (stopping_) {
      platform::CloseSocket(client);
      break;
    }
    const platform::SocketHandle server = platform::CreateTcpSocket(false);
    platform::Ipv4Address loopback = 0;
    platform::ParseIpv4("127.0.0.1", &loopback);
    if (server == platform::kInvalidSocket ||
        platform::Connect(server, loopback, target_port_) != platform::ConnectStatus::kConnected) {
      platform::CloseSocket(client);
      if (server != platform::kInvalidSocket) platform::CloseSocket(server);
      continue;
    }
    platform::SetSocketOption(client, platform::SocketOption::kNoDelay, 1);
    platform::SetSocketOption(server, platform::SocketOption::kNoDelay, 1);
    std::lock_guard<std::mutex> lock(mutex_);
    sockets_.push_back(client);
    sockets_.push_back(server);
    pumps_.emplace_back([this, client, server] { Pump(client, server, &to_server_); });
    pumps_.emplace_back([this, client, server] { Pump(server, client, &to_client_); });
  }
}

void CountingRelay::Pump(platform::SocketHandle from, platform::SocketHandle to,
                         std::atomic<uint64_t>* count) {
  std::vector<char> buffer(256 * 1024);
  for (;;) {
    const int64_t got = platform::Receive(from, buffer.data(), buffer.size());
    if (got <= 0) break;
    int64_t sent = 0;
    while (sent < got) {
      const int64_t step =
          platform::Send(to, buffer.data() + sent, static_cast<size_t>(got - sent));
      if (step <= 0) break;
      sent += step;
    }
    if (sent < got) break;
    count->fetch_add(static_cast<uint64_t>(got));
  }
  platform::ShutdownSocket(from);
  platform::ShutdownSocket(to);
}

}  // namespace qorv::bench
