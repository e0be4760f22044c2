// base64 with the RFC 4648 alphabet and "=" padding, as HTTP proxy
// authentication uses it.
#ifndef QORV_NET_BASE64_H_
#define QORV_NET_BASE64_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qorv {

// The encoding of `length` bytes, padded with "=", without line breaks.
std::string Base64Encode(const uint8_t* data, size_t length);
inline std::string Base64Encode(std::string_view text) {
  return Base64Encode(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// Decodes `text` into *bytes. White space (bytes 9 to 13 and 32) is skipped
// anywhere; "=" ends the current group, whose whole bytes are kept, and
// decoding goes on with a fresh group after it. Returns false, leaving
// *bytes unspecified, for any other character outside the alphabet and for a
// group that ends after a single character (it carries no whole byte).
// Trailing characters of an unfinished group without "=" decode as far as
// they carry whole bytes.
bool Base64Decode(std::string_view text, std::vector<uint8_t>* bytes);

}  // namespace qorv

#endif  // QORV_NET_BASE64_H_
