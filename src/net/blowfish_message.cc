#include "net/blowfish_message.h"

#include <cstring>
#include <new>

#include "codec/byte_order.h"
#include "net/blocking_socket.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

void ChannelCipher::SetKey(const ChannelKey& key) {
  if (key == key_) return;
  key_ = key;
  schedule_.reset();
}

const Blowfish* ChannelCipher::Context() {
  if (!schedule_) {
    schedule_.reset(new (std::nothrow) Blowfish());
    if (schedule_) schedule_->SetKey(key_.data(), key_.size());
  }
  return schedule_.get();
}

int32_t CBlowfishOutMessage::BuildFrame(std::vector<uint8_t>* frame) const {
  const Blowfish* context = cipher_.Context();
  if (context == nullptr) return kResultOutOfMemory;
  const size_t padded = Blowfish::PaddedLength(size());
  try {
    frame->resize(4 + padded);
  } catch (const std::bad_alloc&) {
    return kResultOutOfMemory;
  }
  StoreBigEndian32(frame->data(), static_cast<uint32_t>(padded));
  if (size() > 0) context->Encipher(data(), frame->data() + 4, size());
  return kResultOk;
}

int32_t CBlowfishOutMessage::Send(CBlockingSocket& socket) {
  // One block holding prefix and enciphered payload goes out in one send.
  std::vector<uint8_t> frame;
  const int32_t code = BuildFrame(&frame);
  if (code != kResultOk) return code;
  return socket.Send(frame.data(), frame.size());
}

int32_t CBlowfishInMessage::DecodePayload() {
  if (size() % Blowfish::kBlockSize != 0) return kResultOutOfMemory;
  if (size() == 0) return kResultOk;
  const Blowfish* context = cipher_.Context();
  if (context == nullptr) return kResultOutOfMemory;
  context->Decipher(mutable_data(), mutable_data(), size());
  return kResultOk;
}

}  // namespace qorv
