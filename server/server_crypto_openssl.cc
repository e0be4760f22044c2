#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>

#include "server/server_crypto.h"

namespace qorv::server {

bool RandomBytes(void* out, size_t size) {
  return size <= INT_MAX &&
         RAND_bytes(static_cast<unsigned char*>(out), static_cast<int>(size)) == 1;
}

bool Sha256Digest(std::string_view input, std::string* digest) {
  unsigned char bytes[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(input.data(), input.size(), bytes, &length, EVP_sha256(), nullptr) != 1) {
    return false;
  }
  digest->assign(reinterpret_cast<const char*>(bytes), length);
  return true;
}

bool Pbkdf2HmacSha256(std::string_view password, std::string_view salt, uint32_t iterations,
                      std::string* digest) {
  unsigned char bytes[32];
  if (iterations < 1 || iterations > INT_MAX || password.size() > INT_MAX ||
      salt.size() > INT_MAX ||
      PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt.data()),
                        static_cast<int>(salt.size()), static_cast<int>(iterations), EVP_sha256(),
                        sizeof(bytes), bytes) != 1) {
    return false;
  }
  digest->assign(reinterpret_cast<const char*>(bytes), sizeof(bytes));
  return true;
}

bool SameBytes(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace qorv::server
