#include "codec/weak_checksum.h"

namespace qorv {

uint32_t WeakChecksum(const uint8_t* data, size_t length) {
  uint32_t s1 = 0;
  uint32_t s2 = 0;
  size_t i = 0;
  // Four bytes a step: s1 grows by the four bytes plus 12, s2 by the four
  // running values of s1, which is 4 x (s1 + b0) + 3 x b1 + 2 x b2 + b3 + 30.
  for (; length > 4 && i < length - 4; i += 4) {
    s2 += 4 * (s1 + data[i]) + 3 * data[i + 1] + 2 * data[i + 2] + data[i + 3] + 30;
    s1 += data[i] + data[i + 1] + data[i + 2] + data[i + 3] + 12;
  }
  for (; i < length; ++i) {
    s1 += data[i] + 3;
    s2 += s1;
  }
  return ((s2 & 0xFFFFu) << 16) | (s1 & 0xFFFFu);
}

void RollingChecksum::Start(const uint8_t* data, size_t length) {
  const uint32_t value = WeakChecksum(data, length);
  s1_ = static_cast<uint16_t>(value);
  s2_ = static_cast<uint16_t>(value >> 16);
  length_ = length;
}

}  // namespace qorv
