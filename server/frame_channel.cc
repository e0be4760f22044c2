#include "server/frame_channel.h"

#include <algorithm>

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

// Receives one frame's payload as it came off the wire. 0, or the transport
// code; an announcement beyond kMaxRequestFrame gives 2 before anything is
// allocated.
int32_t ReceivePayload(CCancelableSocket& socket, std::vector<uint8_t>* payload) {
  payload->clear();
  int32_t announced = 0;
  int32_t code = socket.ReceiveInt32(&announced);
  if (code != kResultOk) return code;
  const uint32_t length = static_cast<uint32_t>(announced);
  if (length > kMaxRequestFrame) return kResultOutOfMemory;
  while (payload->size() < length) {
    const size_t piece = std::min<size_t>(kReceivePiece, length - payload->size());
    const size_t start = payload->size();
    payload->resize(start + piece);
    code = socket.Receive(payload->data() + start, piece);
    if (code != kResultOk) return code;
  }
  return kResultOk;
}

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

bool FrameChannel::Receive() {
  if (Stopping()) return false;
  if (ReceivePayload(socket_, &payload_) != kResultOk) return false;
  hooks_ = services_.faults.Get();
  if (hooks_.drop_after_frames >= 0 && frames_ >= hooks_.drop_after_frames) return false;
  ++frames_;
  // A Blowfish payload that is not whole blocks cannot be deciphered: the
  // peer is out of step, and no reply could reach it in step either.
  return in_->SetPayload(payload_.data(), payload_.size()) == kResultOk;
}

bool FrameChannel::Send(bool is_reply) {
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
  return out_->Send(socket_) == kResultOk;
}

void FrameChannel::SetKey(const ChannelKey& key) {
  // Only called on a Blowfish channel, whose buffers are the Blowfish pair.
  static_cast<CBlowfishInMessage&>(*in_).SetKey(key);
  static_cast<CBlowfishOutMessage&>(*out_).SetKey(key);
}

}  // namespace qorv::server
