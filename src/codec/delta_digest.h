// The digest of an old file (written by the side that holds it) and the
// block table the other side loads from it to scan a new file.
#ifndef QORV_CODEC_DELTA_DIGEST_H_
#define QORV_CODEC_DELTA_DIGEST_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "codec/delta_format.h"

namespace qorv {

// Writes the digest file of an old file of `old_size` bytes read from
// `old` (block size 0: chosen by ChooseBlockSize). `name` is the old file's
// path for the 303 text. An old file that ends before `old_size` bytes is
// a failure of the read (304 is not used: the file is ours).
DeltaStatus WriteDigest(uint64_t old_size, uint32_t block_size, std::string_view name,
                        const DeltaRead& old, const DeltaWrite& out);

// One entry per old block, sorted by weak checksum (then block index), and
// a 65536-slot index on the upper 16 bits of the checksum: 24 bytes per
// block plus 256 KiB.
class BlockTable {
 public:
  // Loads a digest file of `digest_size` bytes. 305 when its block size is
  // 0 or above kMaxDeltaBlockSize or its size is not 12 + 20 x the block
  // count its old size gives; 303 beyond a signed 32-bit block count; 2
  // when the table cannot be allocated.
  static DeltaStatus Load(const DeltaRead& digest, uint64_t digest_size, BlockTable* table);

  // A table of no blocks (against which a whole new file is literal).
  static BlockTable Empty(uint32_t block_size) {
    BlockTable table;
    table.block_size_ = block_size;
    return table;
  }

  uint64_t old_size() const { return old_size_; }
  uint32_t block_size() const { return block_size_; }
  uint32_t block_count() const { return block_count_; }

  // A lookup of one window: the MD4 of the window is taken at most once,
  // and only when some block of the same length has its weak checksum.
  class Probe {
   public:
    Probe(uint32_t weak, const uint8_t* window, size_t length)
        : weak_(weak), window_(window), length_(length) {}

   private:
    friend class BlockTable;
    uint32_t weak_;
    const uint8_t* window_;
    size_t length_;
    bool hashed_ = false;
    uint8_t md4_[16] = {};
  };
  // The index of the first old block (in table order) of the window's
  // length whose weak checksum and MD4 equal the window's, or -1.
  int64_t Find(Probe& probe) const;

 private:
  struct Entry {
    uint32_t index;
    uint32_t weak;
    uint8_t md4[16];
  };
  static constexpr int32_t kNoEntry = -1;

  uint64_t BlockLength(uint32_t index) const;

  uint64_t old_size_ = 0;
  uint32_t block_size_ = 0;
  uint32_t block_count_ = 0;
  std::unique_ptr<Entry[]> entries_;
  std::unique_ptr<int32_t[]> slots_;  // 65536 first entries, kNoEntry when empty
};

}  // namespace qorv

#endif  // QORV_CODEC_DELTA_DIGEST_H_
