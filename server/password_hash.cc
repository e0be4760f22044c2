#include "server/password_hash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdint>
#include <stdexcept>

namespace qorv::server {
namespace {

constexpr int kSaltSize = 16;

std::string Sha256(std::string_view salt, std::string_view password) {
  std::string input;
  input.reserve(salt.size() + password.size());
  input.append(salt).append(password);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(input.data(), input.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("SHA-256 digest failed");
  }
  return std::string(reinterpret_cast<const char*>(digest), length);
}

std::string Pbkdf2(std::string_view salt, std::string_view password, int64_t iterations) {
  unsigned char digest[32];
  if (iterations < 1 || iterations > INT32_MAX ||
      PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt.data()),
                        static_cast<int>(salt.size()), static_cast<int>(iterations), EVP_sha256(),
                        sizeof(digest), digest) != 1) {
    throw std::runtime_error("PBKDF2-HMAC-SHA256 failed");
  }
  return std::string(reinterpret_cast<const char*>(digest), sizeof(digest));
}

std::string Derive(std::string_view salt, std::string_view password, int64_t iterations) {
  return iterations == kLegacyPasswordIterations ? Sha256(salt, password)
                                                 : Pbkdf2(salt, password, iterations);
}

}  // namespace

PasswordHash HashNewPassword(std::string_view password, int64_t iterations) {
  unsigned char salt[kSaltSize];
  if (RAND_bytes(salt, kSaltSize) != 1) throw std::runtime_error("no random bytes for a salt");
  PasswordHash hash;
  hash.salt.assign(reinterpret_cast<const char*>(salt), kSaltSize);
  hash.iterations = iterations;
  hash.digest = Pbkdf2(hash.salt, password, iterations);
  return hash;
}

bool PasswordMatches(const PasswordHash& stored, std::string_view password) {
  // A count no server writes (negative, beyond int) never matches.
  if (stored.iterations < 0 || stored.iterations > INT32_MAX) return false;
  std::string digest = Derive(stored.salt, password, stored.iterations);
  return digest.size() == stored.digest.size() &&
         CRYPTO_memcmp(digest.data(), stored.digest.data(), digest.size()) == 0;
}

}  // namespace qorv::server
