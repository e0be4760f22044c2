#include "net/out_message.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "codec/byte_order.h"
#include "net/blocking_socket.h"
#include "net/message_dates.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

void COutMessage::Reset() {
  data_.reset();
  capacity_ = 0;
  size_ = 0;
}

bool COutMessage::Reserve(size_t length) {
  if (length > kMaxPayload - size_) return false;
  if (size_ + length <= capacity_) return true;
  const size_t growth = length <= kGrowthStep ? kGrowthStep : length;
  const size_t new_capacity = capacity_ + growth;
  std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[new_capacity]);
  if (!grown) return false;
  if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);
  data_ = std::move(grown);
  capacity_ = new_capacity;
  return true;
}

int32_t COutMessage::AppendBytes(const void* data, size_t length) {
  if (length == 0) return kResultOk;
  if (!Reserve(length)) return kResultOutOfMemory;
  std::memcpy(data_.get() + size_, data, length);
  size_ += length;
  return kResultOk;
}

int32_t COutMessage::AppendByte(int32_t value) {
  const uint8_t byte = static_cast<uint8_t>(value);
  return AppendBytes(&byte, 1);
}

int32_t COutMessage::AppendInt32(int32_t value) {
  uint8_t bytes[4];
  StoreBigEndian32(bytes, static_cast<uint32_t>(value));
  return AppendBytes(bytes, sizeof(bytes));
}

int32_t COutMessage::AppendBool(bool value) { return AppendInt32(value ? 1 : 0); }

int32_t COutMessage::AppendDate(double value) {
  const DateParts parts = SplitDate(value);
  const int32_t code = AppendInt32(parts.days);
  if (code != kResultOk) return code;
  return AppendInt32(parts.milliseconds);
}

int32_t COutMessage::AppendString(std::string_view text) {
  if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()) ||
      !Reserve(4 + text.size())) {
    return kResultOutOfMemory;
  }
  AppendInt32(static_cast<int32_t>(text.size()));
  return AppendBytes(text.data(), text.size());
}

int32_t COutMessage::BuildFrame(std::vector<uint8_t>* frame) const {
  try {
    frame->resize(4 + size_);
  } catch (const std::bad_alloc&) {
    return kResultOutOfMemory;
  }
  StoreBigEndian32(frame->data(), static_cast<uint32_t>(size_));
  if (size_ > 0) std::memcpy(frame->data() + 4, data_.get(), size_);
  return kResultOk;
}

int32_t COutMessage::Send(CBlockingSocket& socket) {
  const int32_t code = socket.SendInt32(static_cast<int32_t>(static_cast<uint32_t>(size_)));
  if (code != kResultOk) return code;
  return socket.Send(data_.get(), size_);
}

}  // namespace qorv
