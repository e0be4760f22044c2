// The weak rolling checksum of delta transfer. Over a block of n bytes
// (taken unsigned) two 16-bit sums run modulo 65536: s1 adds each byte plus
// 3, s2 adds each running s1. The checksum is s2 x 65536 + s1. The block
// form takes four bytes a step while more than four remain, which gives the
// same value as one byte a step.
#ifndef QORV_CODEC_WEAK_CHECKSUM_H_
#define QORV_CODEC_WEAK_CHECKSUM_H_

#include <cstddef>
#include <cstdint>

namespace qorv {

uint32_t WeakChecksum(const uint8_t* data, size_t length);

// The checksum of a window sliding over a file: started on the window's
// bytes, then rolled one byte forward at a time. Near the end of the file
// the window shrinks instead of taking a new byte.
class RollingChecksum {
 public:
  // The window is data[0..length-1].
  void Start(const uint8_t* data, size_t length);
  // Drops `outgoing` (the window's first byte) and appends `incoming`.
  void Roll(uint8_t outgoing, uint8_t incoming) {
    Drop(outgoing);
    s1_ = static_cast<uint16_t>(s1_ + incoming + 3);
    s2_ = static_cast<uint16_t>(s2_ + s1_);
  }
  // Drops `outgoing` and shrinks the window by one byte.
  void Shrink(uint8_t outgoing) {
    Drop(outgoing);
    --length_;
  }
  uint32_t value() const { return (static_cast<uint32_t>(s2_) << 16) | s1_; }
  size_t length() const { return length_; }

 private:
  void Drop(uint8_t outgoing) {
    s1_ = static_cast<uint16_t>(s1_ - (outgoing + 3));
    s2_ = static_cast<uint16_t>(s2_ - static_cast<uint32_t>(length_) * (outgoing + 3u));
  }

  uint16_t s1_ = 0;
  uint16_t s2_ = 0;
  size_t length_ = 0;
};

}  // namespace qorv

#endif  // QORV_CODEC_WEAK_CHECKSUM_H_
