// The stored form of a file body and the digests the server reports, made
// piece by piece: a body of any size passes through in bounded memory.
#ifndef QORV_SERVER_CONTENT_DIGEST_H_
#define QORV_SERVER_CONTENT_DIGEST_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/md5.h"
#include "server/line_endings.h"

namespace qorv::server {

using Md5Digest = std::array<uint8_t, 16>;

Md5Digest Md5Of(std::string_view bytes);

// Fed with stored pieces in order: the stored size, the LF count and the
// MD5 of the bytes delivered in each line-ending mode (all three equal for
// binary content), so that status queries never read the content.
class ContentDigests {
 public:
  explicit ContentDigests(bool is_text) : is_text_(is_text) {}
  void Feed(std::string_view stored);

  struct Result {
    int64_t stored_size = 0;
    int64_t lf_count = 0;
    std::array<Md5Digest, kEolCount> delivered_md5{};
  };
  Result Finish();

 private:
  bool is_text_;
  int64_t stored_size_ = 0;
  int64_t lf_count_ = 0;
  std::array<Md5, kEolCount> md5_;
  std::string converted_;
};

// Automatic type detection over pieces (docs/protocol.md 2.9).
class TextDetector {
 public:
  void Feed(std::string_view piece) {
    if (is_text_) is_text_ = LooksLikeText(piece);
  }
  bool is_text() const { return is_text_; }

 private:
  bool is_text_ = true;
};

}  // namespace qorv::server

#endif  // QORV_SERVER_CONTENT_DIGEST_H_
