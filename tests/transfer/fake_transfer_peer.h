// A transfer peer on loopback: it accepts any number of transfer
// connections, each served on a thread of its own, plays the server's side
// of the handshake in the mode chosen (mode 1: command 96 must come first
// and switches both directions to the channel key), and answers 64 and 65
// from its own table of bodies, writing every frame with the SDK's plain
// message classes rather than the client's body framing. A fault makes it
// answer wrongly on purpose.
#ifndef QORV_TESTS_TRANSFER_FAKE_TRANSFER_PEER_H_
#define QORV_TESTS_TRANSFER_FAKE_TRANSFER_PEER_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/blowfish_message.h"
#include "net/cancelable_socket.h"
#include "net/scripted_peer.h"
#include "qorvsdk/result_codes.h"
#include "support/zip_memory.h"

namespace qorv::testing {

enum class PeerFault {
  kNone,
  kShortBody,         // 65: announces and sends 10 bytes fewer than the files hold
  kDropMidBody,       // 65: sends the first message of the body, then closes
  kStallMidBody,      // 65: sends the first message, calls on_stall, then waits
  kExtraDate,         // 65: one date more than files
  kNotAnArchive,      // 65 compressed: a body that is no ZIP archive
  kLongArchive,       // 65 compressed: an archive of 10 bytes more than the files hold
  kShortDeltaAnswer,  // 64 with the delta flag: answers with a message of 2 bytes, not a boolean
};

// One upload batch as the peer received it.
struct ReceivedUpload {
  bool compressed = false;
  std::vector<int32_t> indexes;
  std::vector<int32_t> sizes;
  std::string body;
  std::vector<size_t> message_sizes;  // payload lengths of the body's messages
};

class FakeTransferPeer {
 public:
  static constexpr double kDate = 45000.5;  // every download's date

  explicit FakeTransferPeer(int32_t mode = 0, ChannelKey key = {}) : mode_(mode), key_(key) {
    EXPECT_EQ(listener_.Listen("127.0.0.1", 0, 8), kResultOk);
    accept_thread_ = std::thread([this] { AcceptLoop(); });
  }
  ~FakeTransferPeer() {
    stop_ = 1;
    accept_thread_.join();
    for (std::thread& thread : connection_threads_) thread.join();
  }

  uint16_t port() const { return listener_.LocalPort(); }

  void SetBody(const std::string& transfer_name, std::string content) {
    std::lock_guard<std::mutex> lock(mutex_);
    bodies_[transfer_name] = std::move(content);
  }
  void SetFault(PeerFault fault) { fault_ = fault; }
  // The connection accepted as number `index` (0 first) is refused: its
  // handshake names another product.
  void RefuseConnection(int index) { refused_ = index; }
  void OnStall(std::function<void()> on_stall) { on_stall_ = std::move(on_stall); }

  int accepted() const { return accepted_; }
  std::vector<ReceivedUpload> uploads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return uploads_;
  }

 private:
  void AcceptLoop() {
    for (int index = 0;; ++index) {
      platform::SocketHandle handle;
      if (listener_.Accept(&handle) != kResultOk) return;
      ++accepted_;
      connection_threads_.emplace_back([this, handle, index] {
        CCancelableSocket peer(&stop_);
        peer.Attach(handle);
        Converse(peer, index == refused_);
        peer.Close();
      });
    }
  }

  void Converse(CCancelableSocket& peer, bool refuse) {
    uint8_t magic[4];
    ServerHello hello;
    hello.mode = mode_;
    if (refuse) hello.magic = 0x01020304;
    const std::vector<uint8_t> hello_bytes = hello.Bytes();
    if (peer.Receive(magic, sizeof(magic)) != kResultOk ||
        peer.Send(hello_bytes.data(), hello_bytes.size()) != kResultOk || refuse) {
      return;
    }
    const bool blowfish = mode_ == 1;
    std::unique_ptr<CInMessage> in(blowfish ? new CBlowfishInMessage() : new CInMessage());
    std::unique_ptr<COutMessage> out(blowfish ? new CBlowfishOutMessage() : new COutMessage());
    if (blowfish) {
      // 96 under the initial key, then everything under the channel key.
      if (in->Receive(peer) != kResultOk || in->ReadByte() != 96) return;
      in->ReadInt32();
      EXPECT_EQ(in->ReadInt32(), kLoginIdentity);
      ChannelKey sent{};
      in->ReadBytes(sent.data() + 8, 8);
      in->ReadBytes(sent.data(), 8);
      in->ReadInt32();
      if (sent != key_) return;
      static_cast<CBlowfishInMessage&>(*in).SetKey(key_);
      static_cast<CBlowfishOutMessage&>(*out).SetKey(key_);
    }
    while (in->Receive(peer) == kResultOk) {
      const uint8_t code = in->ReadByte();
      const bool compressed = in->ReadBool();
      const bool delta = in->ReadBool();
      EXPECT_EQ(in->ReadInt32(), kLoginIdentity);
      const int32_t count = in->ReadInt32();
      if (code == 64 && delta && fault_ == PeerFault::kShortDeltaAnswer) {
        out->Reset();
        out->AppendBytes("\0\1", 2);
        out->Send(peer);
        return;
      }
      bool go_on = false;
      if (code == 64) go_on = Upload(peer, *in, *out, count, compressed);
      if (code == 65) go_on = Download(peer, *in, *out, count, compressed);
      if (!go_on) return;
    }
  }

  // A compressed body is kept as it came: the archive.
  bool Upload(CCancelableSocket& peer, CInMessage& in, COutMessage& out, int32_t count,
              bool compressed) {
    ReceivedUpload upload;
    upload.compressed = compressed;
    for (int32_t i = 0; i < count; ++i) {
      upload.indexes.push_back(in.ReadInt32());
      upload.sizes.push_back(in.ReadInt32());
      in.ReadDate();
    }
    int64_t size = -1;
    while (size < 0 || static_cast<int64_t>(upload.body.size()) < size) {
      if (in.Receive(peer) != kResultOk) return false;
      size_t header = 0;
      if (size < 0) {
        size = in.ReadInt32();
        header = 4;
      }
      const size_t piece = std::min<size_t>(size - upload.body.size(), 65536 - header);
      upload.message_sizes.push_back(header + piece);
      std::string bytes(piece, '\0');
      in.ReadBytes(bytes.data(), piece);
      upload.body += bytes;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      uploads_.push_back(upload);
    }
    out.Reset();
    for (int32_t i = 0; i < count; ++i) {
      out.AppendBool(true);
      out.AppendString("File received successfully");
    }
    return out.Send(peer) == kResultOk;
  }

  // Compressed: the body sent is the archive of the files' bytes.
  bool Download(CCancelableSocket& peer, CInMessage& in, COutMessage& out, int32_t count,
                bool compressed) {
    std::string body;
    for (int32_t i = 0; i < count; ++i) {
      in.ReadInt32();
      const std::string name = in.ReadString();
      std::lock_guard<std::mutex> lock(mutex_);
      body += bodies_[name];
    }
    const PeerFault fault = fault_;
    if (fault == PeerFault::kShortBody) body.resize(body.size() > 10 ? body.size() - 10 : 0);
    if (fault == PeerFault::kLongArchive) body += "0123456789";
    if (compressed) body = fault == PeerFault::kNotAnArchive ? "PK no archive" : PackToString(body);
    size_t sent = 0;
    bool first = true;
    while (first || sent < body.size()) {
      const size_t header = first ? 4 : 0;
      const size_t piece = std::min(body.size() - sent, 65536 - header);
      out.Reset();
      if (first) out.AppendInt32(static_cast<int32_t>(body.size()));
      out.AppendBytes(body.data() + sent, piece);
      if (out.Send(peer) != kResultOk) return false;
      sent += piece;
      if (first && fault == PeerFault::kDropMidBody) return false;
      if (first && fault == PeerFault::kStallMidBody) {
        if (on_stall_) on_stall_();
        uint8_t byte;
        while (peer.Receive(&byte, 1) == kResultOk) {
        }
        return false;
      }
      first = false;
    }
    out.Reset();
    const int32_t dates = count + (fault == PeerFault::kExtraDate ? 1 : 0);
    for (int32_t i = 0; i < dates; ++i) out.AppendDate(kDate);
    return out.Send(peer) == kResultOk;
  }

 public:
  static constexpr int32_t kLoginIdentity = 7;

 private:
  const int32_t mode_;
  const ChannelKey key_;
  std::atomic<int32_t> stop_{0};
  CCancelableSocket listener_{&stop_};
  std::thread accept_thread_;
  std::vector<std::thread> connection_threads_;  // the accept thread's, joined after it
  std::atomic<int> accepted_{0};
  std::atomic<int> refused_{-1};
  std::atomic<PeerFault> fault_{PeerFault::kNone};
  std::function<void()> on_stall_;
  mutable std::mutex mutex_;
  std::map<std::string, std::string> bodies_;  // guarded by mutex_
  std::vector<ReceivedUpload> uploads_;        // guarded by mutex_
};

}  // namespace qorv::testing

#endif  // QORV_TESTS_TRANSFER_FAKE_TRANSFER_PEER_H_
