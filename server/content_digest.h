// The stored form of a file body with the digests the server reports.
#ifndef QORV_SERVER_CONTENT_DIGEST_H_
#define QORV_SERVER_CONTENT_DIGEST_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "server/line_endings.h"

namespace qorv::server {

using Md5Digest = std::array<uint8_t, 16>;

Md5Digest Md5Of(std::string_view bytes);

// A body as the store keeps it: text normalised to LF, binary unchanged,
// with the MD5 of the bytes delivered in each line-ending mode (all three
// equal for binary), so that status queries never read the content.
struct PreparedContent {
  std::string stored;
  bool is_text = false;
  int64_t lf_count = 0;
  std::array<Md5Digest, kEolCount> delivered_md5{};
};

PreparedContent PrepareContent(std::string_view body, bool is_text);

// The bytes delivered for stored content in the given mode.
std::string DeliverContent(std::string_view stored, bool is_text, Eol eol);

}  // namespace qorv::server

#endif  // QORV_SERVER_CONTENT_DIGEST_H_
