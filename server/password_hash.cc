#include "server/password_hash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

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

}  // namespace

PasswordHash HashNewPassword(std::string_view password) {
  unsigned char salt[kSaltSize];
  if (RAND_bytes(salt, kSaltSize) != 1) throw std::runtime_error("no random bytes for a salt");
  PasswordHash hash;
  hash.salt.assign(reinterpret_cast<const char*>(salt), kSaltSize);
  hash.digest = Sha256(hash.salt, password);
  return hash;
}

bool PasswordMatches(const PasswordHash& stored, std::string_view password) {
  std::string digest = Sha256(stored.salt, password);
  return digest.size() == stored.digest.size() &&
         CRYPTO_memcmp(digest.data(), stored.digest.data(), digest.size()) == 0;
}

}  // namespace qorv::server
