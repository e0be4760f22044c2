#include "server/frame_channel.h"

#include <algorithm>
#include <string>

#include "codec/byte_order.h"
#include "net/command_list.h"
#include "net/handshake.h"
#include "platform/process.h"
#include "qorvsdk/result_codes.h"

namespace qorv::server {
namespace {

// A frame's bytes are taken in pieces of this size, so the buffer only
// grows as bytes really arrive, never to an announced length up front.
constexpr size_t kReceivePiece = 65536;
// A reply delay is slept in slices so that a stopping server is not held up.
constexpr int32_t kDelaySliceMs = 50;

// Offset of the login identity in a transfer request 64 or 65: code byte,
// bool compressed, bool delta (bools travel as int32).
constexpr size_t kTransferIdentityOffset = 9;

}  // namespace

FrameChannel::FrameChannel(CCancelableSocket& socket, const ServerServices& services)
    : socket_(socket), services_(services) {
  if (blowfish()) {
    in_ = std::make_unique<CBlowfishInMessage>(kInitialChannelKey);
    out_ = std::make_unique<CBlowfishOutMessage>(kInitialChannelKey);
  } else {
    in_ = std::make_unique<CInMessage>();
    out_ = std::make_unique<COutMessage>();
  }
}

bool FrameChannel::Stopping() const {
  return services_.stop_flag != nullptr && services_.stop_flag->load() != 0;
}

FrameChannel::~FrameChannel() { ReleaseLargeBuffers(); }

bool FrameChannel::AdmitsLargeFirstFrame() const {
  if (frames_ != 0 || payload_.size() < kTransferIdentityOffset + 4) return false;
  const uint8_t code = payload_[0];
  if (code != 64 && code != 65) return false;
  const int32_t identity =
      static_cast<int32_t>(LoadBigEndian32(payload_.data() + kTransferIdentityOffset));
  return services_.sessions.Find(identity).has_value();
}

bool FrameChannel::GrowPayload(size_t size, size_t length) {
  if (size > kKeptFrameBuffer && services_.frame_budget != nullptr) {
    // The received bytes and their copy in the incoming message.
    const int64_t wanted = 2 * static_cast<int64_t>(size - kKeptFrameBuffer) - reserved_;
    if (wanted > 0) {
      if (!services_.frame_budget->TryReserve(wanted)) {
        Log("frame memory budget of " + std::to_string(services_.frame_budget->limit()) +
            " bytes exhausted by a frame of " + std::to_string(size) +
            "+ bytes: connection closed");
        return false;
      }
      reserved_ += wanted;
    }
  }
  // Doubling, but never past the frame, so the buffer is the frame's size.
  if (size > payload_.capacity()) {
    payload_.reserve(std::min(length, std::max(size, 2 * payload_.capacity())));
  }
  payload_.resize(size);
  return true;
}

int32_t FrameChannel::ReceivePayload() {
  payload_.clear();
  int32_t announced = 0;
  int32_t code = socket_.ReceiveInt32(&announced);
  if (code != kResultOk) return code;
  const uint32_t length = static_cast<uint32_t>(announced);
  if (length > kMaxRequestFrame) return kResultOutOfMemory;
  bool checked = length <= frame_limit_;
  while (payload_.size() < length) {
    // A frame beyond the connection's limit is looked at no further than its
    // first piece: enough to tell a transfer request naming a live session.
    if (!checked && payload_.size() > 0) {
      if (!AdmitsLargeFirstFrame()) {
        Log("a frame of " + std::to_string(length) + " bytes before login: connection closed");
        return kResultOutOfMemory;
      }
      checked = true;
    }
    const size_t piece = std::min<size_t>(kReceivePiece, length - payload_.size());
    const size_t start = payload_.size();
    if (!GrowPayload(start + piece, length)) return kResultOutOfMemory;
    code = socket_.Receive(payload_.data() + start, piece);
    if (code != kResultOk) return code;
  }
  return kResultOk;
}

void FrameChannel::ReleaseLargeBuffers() {
  if (payload_.capacity() > kKeptFrameBuffer) std::vector<uint8_t>().swap(payload_);
  if (in_ && in_->size() > kKeptFrameBuffer) in_->Release();
  if (reserved_ > 0) {
    services_.frame_budget->Release(reserved_);
    reserved_ = 0;
  }
}

void FrameChannel::Log(const std::string& text) const {
  if (services_.log) services_.log(text);
}

void FrameChannel::CountFrame() {
  const int64_t frame = services_.faults.CountFrame(kind_);
  const int64_t cut_at =
      kind_ == ConnectionKind::kTransfer ? hooks_.cut_transfer_at_frame : hooks_.cut_main_at_frame;
  if (cut_at > 0 && frame == cut_at) cut_ = true;
}

bool FrameChannel::Receive() {
  if (cut_ || Stopping()) return false;
  // The last frame has been answered: an idle connection holds no more than
  // its kept buffer.
  ReleaseLargeBuffers();
  if (ReceivePayload() != kResultOk) return false;
  hooks_ = services_.faults.Get();
  if (hooks_.drop_after_frames >= 0 && frames_ >= hooks_.drop_after_frames) return false;
  ++frames_;
  // A Blowfish payload that is not whole blocks cannot be deciphered: the
  // peer is out of step, and no reply could reach it in step either.
  const bool taken = in_->SetPayload(payload_.data(), payload_.size()) == kResultOk;
  // The incoming message holds its own copy.
  if (payload_.capacity() > kKeptFrameBuffer) std::vector<uint8_t>().swap(payload_);
  if (!taken) return false;
  if (frames_ == 1 && in_->size() > 0 && RouteOfCode(in_->data()[0]) == CommandRoute::kTransfer) {
    kind_ = ConnectionKind::kTransfer;
  }
  CountFrame();
  return true;
}

bool FrameChannel::Send(bool is_reply) {
  if (cut_) return false;
  if (!is_reply) {
    // The hooks as read with the request that started the body.
    const int32_t drop = hooks_.drop_after_body_messages;
    if (drop >= 0 && body_messages_ >= drop) return false;
    ++body_messages_;
  }
  int32_t delay = is_reply ? hooks_.reply_delay_ms : 0;
  while (delay > 0 && !Stopping()) {
    const int32_t slice = std::min(delay, kDelaySliceMs);
    platform::SleepMs(static_cast<uint32_t>(slice));
    delay -= slice;
  }
  if (out_->Send(socket_) != kResultOk) return false;
  CountFrame();
  return true;
}

void FrameChannel::SetKey(const ChannelKey& key) {
  // Only called on a Blowfish channel, whose buffers are the Blowfish pair.
  static_cast<CBlowfishInMessage&>(*in_).SetKey(key);
  static_cast<CBlowfishOutMessage&>(*out_).SetKey(key);
}

}  // namespace qorv::server
