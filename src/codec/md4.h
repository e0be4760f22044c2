// MD4 (RFC 1320): the NT hash, the key-file checksum and the block checksums
// of delta transfer.
#ifndef QORV_CODEC_MD4_H_
#define QORV_CODEC_MD4_H_

#include <cstddef>
#include <cstdint>

#include "codec/md_block_hash.h"

namespace qorv {

class Md4 : public MdBlockHash<Md4> {
 public:
  static void ProcessBlocks(uint32_t state[4], const uint8_t* data, size_t count);
};

}  // namespace qorv

#endif  // QORV_CODEC_MD4_H_
