// MD5 (RFC 1321): the digest of a whole local file, compared with the server's.
#ifndef QORV_NET_MD5_H_
#define QORV_NET_MD5_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/md_block_hash.h"

namespace qorv {

class Md5 : public MdBlockHash<Md5> {
 public:
  static void ProcessBlocks(uint32_t state[4], const uint8_t* data, size_t count);
};

// The file is read in pieces of this size.
inline constexpr size_t kFileDigestPieceSize = 65536;

// The MD5 digest of a whole file, read from start to end in 65536-byte
// pieces. Returns 0, or the platform's error code when the file cannot be
// opened or read (the digest is then not written).
int Md5OfFile(const std::string& path, uint8_t digest[Md5::kDigestSize]);

}  // namespace qorv

#endif  // QORV_NET_MD5_H_
