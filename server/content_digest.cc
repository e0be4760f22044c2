#include "server/content_digest.h"

#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>

namespace qorv::server {

Md5Digest Md5Of(std::string_view bytes) {
  Md5Digest digest{};
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_md5(), nullptr) != 1 ||
      length != digest.size()) {
    throw std::runtime_error("MD5 digest failed");
  }
  return digest;
}

PreparedContent PrepareContent(std::string_view body, bool is_text) {
  PreparedContent content;
  content.is_text = is_text;
  if (!is_text) {
    content.stored.assign(body);
    content.delivered_md5.fill(Md5Of(content.stored));
    return content;
  }
  content.stored = NormaliseToLf(body);
  content.lf_count = std::count(content.stored.begin(), content.stored.end(), '\n');
  for (int mode = 0; mode < kEolCount; ++mode) {
    content.delivered_md5[mode] = Md5Of(DeliverText(content.stored, static_cast<Eol>(mode)));
  }
  return content;
}

std::string DeliverContent(std::string_view stored, bool is_text, Eol eol) {
  return is_text ? DeliverText(stored, eol) : std::string(stored);
}

}  // namespace qorv::server
