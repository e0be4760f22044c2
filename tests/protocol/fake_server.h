// A small server on loopback for request engine tests: it accepts one
// connection after another, plays the handshake chosen for each, then hands
// every request frame to the test's handler and sends back what the handler
// says. It records every request payload per connection. Mode 1 connections
// decipher and encipher frames with the current channel key, which a reply
// can change (as the server does after the keyed login).
#ifndef QORV_TESTS_PROTOCOL_FAKE_SERVER_H_
#define QORV_TESTS_PROTOCOL_FAKE_SERVER_H_

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "net/blowfish_message.h"
#include "net/cancelable_socket.h"
#include "net/scripted_peer.h"

namespace qorv::testing {

struct FakeReply {
  std::vector<uint8_t> payload;
  bool send = true;                   // false: no reply frame
  bool close = false;                 // close the connection afterwards
  std::optional<ChannelKey> new_key;  // mode 1: the key of every later frame
  // Nonzero (plain frames): send only this many bytes of the reply frame,
  // then stay silent until the client leaves, as a peer behind a dead link.
  size_t cut = 0;
};

inline FakeReply NoReply() { return {{}, false, false, {}}; }
inline FakeReply CloseWithoutReply() { return {{}, false, true, {}}; }
inline FakeReply SilentMidReply(std::vector<uint8_t> payload, size_t cut) {
  return {std::move(payload), true, false, {}, cut};
}

class FakeServer {
 public:
  // Connection index (0 for the first accepted), request index within the
  // connection, and the request payload (mode 1: deciphered, padding kept).
  using Handler = std::function<FakeReply(int, int, const std::vector<uint8_t>&)>;

  explicit FakeServer(Handler handler) : handler_(std::move(handler)), listener_(&stop_) {
    EXPECT_EQ(listener_.Listen("127.0.0.1", 0, 4), kResultOk);
    thread_ = std::thread([this] { Serve(); });
  }
  ~FakeServer() {
    stop_ = 1;
    drop_ = 1;
    thread_.join();
  }

  // The CA certificate text sent to a mode 2 client that asks for it.
  static constexpr char kCertificate[] = "-----TEST CA-----";

  uint16_t port() const { return listener_.LocalPort(); }

  // The handshake of the connection with this index; the default hello
  // otherwise. Set before the connection is made.
  void SetHello(int connection, ServerHello hello) {
    std::lock_guard<std::mutex> lock(mutex_);
    hellos_.resize(std::max<size_t>(hellos_.size(), connection + 1));
    hellos_[connection] = hello;
  }

  // Closes the current connection from the server's side and waits until
  // it is closed.
  void Drop() {
    std::unique_lock<std::mutex> lock(mutex_);
    const int closed = closed_;
    drop_ = 1;
    changed_.wait(lock, [&] { return closed_ > closed; });
    drop_ = 0;
  }

  int accepted() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(requests_.size());
  }
  std::vector<std::vector<uint8_t>> requests(int connection) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connection < static_cast<int>(requests_.size()) ? requests_[connection]
                                                           : std::vector<std::vector<uint8_t>>();
  }

 private:
  void Serve() {
    for (int index = 0;; ++index) {
      platform::SocketHandle accepted;
      if (listener_.Accept(&accepted) != kResultOk) return;
      ServerHello hello;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.emplace_back();
        if (index < static_cast<int>(hellos_.size()) && hellos_[index]) hello = *hellos_[index];
      }
      CCancelableSocket peer(&drop_);
      peer.Attach(accepted);
      Converse(index, hello, peer);
      peer.Close();
      std::lock_guard<std::mutex> lock(mutex_);
      ++closed_;
      changed_.notify_all();
    }
  }

  void Converse(int index, const ServerHello& hello, CCancelableSocket& peer) {
    uint8_t magic[4];
    const std::vector<uint8_t> hello_bytes = hello.Bytes();
    if (peer.Receive(magic, sizeof(magic)) != kResultOk ||
        peer.Send(hello_bytes.data(), hello_bytes.size()) != kResultOk) {
      return;
    }
    if (hello.mode == 2) {
      // The client asks for the CA certificate (1) or not (0); the SSL
      // handshake itself is left to the test's SSL setup.
      uint32_t wanted = 0;
      if (peer.ReceiveRaw4(&wanted) != kResultOk) return;
      if (wanted == 1) {
        COutMessage certificate;
        certificate.AppendString(kCertificate);
        if (peer.Send(certificate.data(), certificate.size()) != kResultOk) return;
      }
    }
    const bool blowfish = hello.mode == 1;
    std::unique_ptr<CInMessage> in(blowfish ? new CBlowfishInMessage() : new CInMessage());
    std::unique_ptr<COutMessage> out(blowfish ? new CBlowfishOutMessage() : new COutMessage());
    for (int request = 0; in->Receive(peer) == kResultOk; ++request) {
      std::vector<uint8_t> payload(in->data(), in->data() + in->size());
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_[index].push_back(payload);
      }
      const FakeReply reply = handler_(index, request, payload);
      if (reply.cut > 0) {
        out->Reset();
        out->AppendBytes(reply.payload.data(), reply.payload.size());
        std::vector<uint8_t> frame;
        if (out->BuildFrame(&frame) != kResultOk) return;
        if (peer.Send(frame.data(), std::min(reply.cut, frame.size())) != kResultOk) return;
        uint8_t byte;
        while (peer.Receive(&byte, 1) == kResultOk) {
        }
        return;
      }
      if (reply.send) {
        out->Reset();
        out->AppendBytes(reply.payload.data(), reply.payload.size());
        if (out->Send(peer) != kResultOk) return;
      }
      if (reply.new_key) {
        static_cast<CBlowfishInMessage&>(*in).SetKey(*reply.new_key);
        static_cast<CBlowfishOutMessage&>(*out).SetKey(*reply.new_key);
      }
      if (reply.close) return;
    }
  }

  Handler handler_;
  std::atomic<int32_t> stop_{0};
  std::atomic<int32_t> drop_{0};
  CCancelableSocket listener_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::optional<ServerHello>> hellos_;           // GUARDED_BY(mutex_)
  std::vector<std::vector<std::vector<uint8_t>>> requests_;  // GUARDED_BY(mutex_)
  int closed_ = 0;                                           // GUARDED_BY(mutex_)
  std::thread thread_;
};

}  // namespace qorv::testing

#endif  // QORV_TESTS_PROTOCOL_FAKE_SERVER_H_
