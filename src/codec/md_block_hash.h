// The framing shared by MD4 and MD5: 64-byte blocks, four 32-bit state words,
// padding with 0x80 then zeros, and the message length in bits as a
// little-endian 64-bit number in the last block. `Derived` supplies
// ProcessBlocks(state, data, count).
#ifndef QORV_CODEC_MD_BLOCK_HASH_H_
#define QORV_CODEC_MD_BLOCK_HASH_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codec/byte_order.h"

namespace qorv {

template <typename Derived>
class MdBlockHash {
 public:
  static constexpr size_t kDigestSize = 16;
  static constexpr size_t kBlockSize = 64;

  MdBlockHash() { Init(); }

  // The published initial state.
  void Init() {
    state_[0] = 0x67452301u;
    state_[1] = 0xEFCDAB89u;
    state_[2] = 0x98BADCFEu;
    state_[3] = 0x10325476u;
    total_bytes_ = 0;
    buffered_ = 0;
  }

  void Update(const void* data, size_t length) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    total_bytes_ += length;
    if (buffered_ > 0) {
      const size_t take = length < kBlockSize - buffered_ ? length : kBlockSize - buffered_;
      std::memcpy(buffer_ + buffered_, bytes, take);
      buffered_ += take;
      bytes += take;
      length -= take;
      if (buffered_ < kBlockSize) return;
      Derived::ProcessBlocks(state_, buffer_, 1);
      buffered_ = 0;
    }
    const size_t whole = length / kBlockSize;
    if (whole > 0) {
      Derived::ProcessBlocks(state_, bytes, whole);
      bytes += whole * kBlockSize;
      length -= whole * kBlockSize;
    }
    if (length > 0) {
      std::memcpy(buffer_, bytes, length);
      buffered_ = length;
    }
  }

  // Writes the digest. The context must be Init()ed again before reuse.
  void Final(uint8_t digest[kDigestSize]) {
    const uint64_t bit_count = total_bytes_ * 8u;
    uint8_t padding[kBlockSize * 2] = {0x80};
    const size_t pad_length = (buffered_ < 56 ? 56 - buffered_ : 56 + kBlockSize - buffered_);
    uint8_t length_bytes[8];
    for (int i = 0; i < 8; ++i) length_bytes[i] = static_cast<uint8_t>(bit_count >> (8 * i));
    Update(padding, pad_length);
    Update(length_bytes, 8);
    for (int i = 0; i < 4; ++i) StoreLittleEndian32(digest + 4 * i, state_[i]);
  }

 private:
  uint32_t state_[4];
  uint64_t total_bytes_;
  size_t buffered_;
  uint8_t buffer_[kBlockSize];
};

}  // namespace qorv

#endif  // QORV_CODEC_MD_BLOCK_HASH_H_
