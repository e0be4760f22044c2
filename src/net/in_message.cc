#include "net/in_message.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "codec/byte_order.h"
#include "net/blocking_socket.h"
#include "net/message_dates.h"
#include "net/socket_buffer_exception.h"
#include "net/transport_limits.h"
#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

// The first block of a received payload; later blocks double it, so a large
// payload costs a logarithmic number of copies and never more than twice its
// size.
constexpr size_t kFirstReceiveBlock = 65536;

}  // namespace

void CInMessage::Clear() {
  data_.reset();
  capacity_ = 0;
  size_ = 0;
  position_ = 0;
}

bool CInMessage::GrowTo(size_t length) {
  if (length <= capacity_) return true;
  std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[length]);
  if (!grown) return false;
  if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);
  data_ = std::move(grown);
  capacity_ = length;
  return true;
}

int32_t CInMessage::Receive(CBlockingSocket& socket) {
  Clear();
  int32_t announced;
  int32_t code = socket.ReceiveInt32(&announced);
  if (code != kResultOk) return code;
  const uint32_t length = static_cast<uint32_t>(announced);
  if (length > kMaxIncomingLength) return kResultOutOfMemory;
  while (size_ < length) {
    if (size_ == capacity_) {
      const size_t next = std::min<size_t>(length, std::max(kFirstReceiveBlock, 2 * capacity_));
      if (!GrowTo(next)) {
        Clear();
        return kResultOutOfMemory;
      }
    }
    const size_t piece = capacity_ - size_;
    code = socket.Receive(data_.get() + size_, piece);
    if (code != kResultOk) {
      Clear();
      return code;
    }
    size_ += piece;
  }
  code = DecodePayload();
  if (code != kResultOk) Clear();
  return code;
}

int32_t CInMessage::SetPayload(const uint8_t* data, size_t length) {
  Clear();
  if (length > kMaxIncomingLength || !GrowTo(length)) return kResultOutOfMemory;
  if (length > 0) std::memcpy(data_.get(), data, length);
  size_ = length;
  const int32_t code = DecodePayload();
  if (code != kResultOk) Clear();
  return code;
}

int32_t CInMessage::ParseFrame(const uint8_t* bytes, size_t length, size_t* consumed) {
  *consumed = 0;
  Clear();
  if (length < 4) return kResultPeerClosed;
  const uint32_t announced = LoadBigEndian32(bytes);
  if (announced > kMaxIncomingLength) return kResultOutOfMemory;
  if (length - 4 < announced) return kResultPeerClosed;
  const int32_t code = SetPayload(bytes + 4, announced);
  if (code == kResultOk) *consumed = 4 + static_cast<size_t>(announced);
  return code;
}

void CInMessage::ReadBytes(void* destination, size_t length) {
  if (length > remaining()) throw CCancelableSocketBufferException();
  if (length > 0) std::memcpy(destination, data_.get() + position_, length);
  position_ += length;
}

uint8_t CInMessage::ReadByte() {
  uint8_t byte;
  ReadBytes(&byte, 1);
  return byte;
}

int32_t CInMessage::ReadInt32() {
  uint8_t bytes[4];
  ReadBytes(bytes, sizeof(bytes));
  return static_cast<int32_t>(LoadBigEndian32(bytes));
}

bool CInMessage::ReadBool() { return ReadInt32() != 0; }

double CInMessage::ReadDate() {
  // Both halves are checked first, so that a date cut short reads nothing.
  if (remaining() < 8) throw CCancelableSocketBufferException();
  const int32_t days = ReadInt32();
  const int32_t milliseconds = ReadInt32();
  return JoinDate(days, milliseconds);
}

std::string CInMessage::ReadString() {
  // The count is taken only with the bytes it announces, so that a string
  // cut short reads nothing.
  if (remaining() < 4) throw CCancelableSocketBufferException();
  const int32_t count = static_cast<int32_t>(LoadBigEndian32(data_.get() + position_));
  if (count < 0 || static_cast<size_t>(count) > remaining() - 4) {
    throw CCancelableSocketBufferException();
  }
  position_ += 4;
  if (count == 0) return std::string();
  std::string text(reinterpret_cast<const char*>(data_.get() + position_),
                   static_cast<size_t>(count));
  position_ += static_cast<size_t>(count);
  return text;
}

}  // namespace qorv
