// The MD5 digest of a local file, taken over its raw bytes in 64 KiB pieces
// (a whole file is never held in memory).

#ifndef QORV_LOCAL_FILE_DIGEST_H_
#define QORV_LOCAL_FILE_DIGEST_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "local/qor_exception.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

inline constexpr size_t kDigestPieceSize = 65536;

struct FileDigest {
  int32_t result = kResultOk;  // 0, or kResultChecksumFailed
  std::string description;     // empty, or why the digest failed
  // The digest; 16 zero bytes when it failed, which is what callers that only
  // compare digests use.
  std::array<uint8_t, 16> bytes{};

  bool ok() const { return result == kResultOk; }
};

// Opens the file for reading (shared with other readers) and hands its bytes
// to `feed` in pieces of kDigestPieceSize bytes, the last one shorter, until
// the end of the file. Raises CQORException from the file layer.
void ReadFileInPieces(const std::string& path,
                      const std::function<void(const uint8_t* data, size_t size)>& feed);

// The digest of the file. A failure gives kResultChecksumFailed with
// "Failed to get checksum", or with the file layer's own text when the file
// layer raised it.
FileDigest DigestOfFile(const std::string& path);

}  // namespace qorv

#endif  // QORV_LOCAL_FILE_DIGEST_H_
