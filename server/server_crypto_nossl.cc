#include "platform/system_crypto.h"
#include "server/server_crypto.h"

namespace qorv::server {

bool RandomBytes(void* out, size_t size) { return platform::SystemRandomBytes(out, size); }

bool Sha256Digest(std::string_view input, std::string* digest) {
  return platform::SystemSha256(input, digest);
}

bool Pbkdf2HmacSha256(std::string_view password, std::string_view salt, uint32_t iterations,
                      std::string* digest) {
  return iterations >= 1 && iterations <= INT32_MAX &&
         platform::SystemPbkdf2HmacSha256(password, salt, iterations, digest);
}

bool SameBytes(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  // Every byte is looked at, whatever the first difference.
  volatile unsigned char difference = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    difference = difference | static_cast<unsigned char>(a[i] ^ b[i]);
  }
  return difference == 0;
}

}  // namespace qorv::server
