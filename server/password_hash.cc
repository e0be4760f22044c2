#include "server/password_hash.h"

#include <cstdint>
#include <stdexcept>

#include "server/server_crypto.h"

namespace qorv::server {
namespace {

constexpr int kSaltSize = 16;

std::string Sha256(std::string_view salt, std::string_view password) {
  std::string input;
  input.reserve(salt.size() + password.size());
  input.append(salt).append(password);
  std::string digest;
  if (!Sha256Digest(input, &digest)) throw std::runtime_error("SHA-256 digest failed");
  return digest;
}

std::string Pbkdf2(std::string_view salt, std::string_view password, int64_t iterations) {
  std::string digest;
  if (iterations < 1 || iterations > INT32_MAX ||
      !Pbkdf2HmacSha256(password, salt, static_cast<uint32_t>(iterations), &digest)) {
    throw std::runtime_error("PBKDF2-HMAC-SHA256 failed");
  }
  return digest;
}

std::string Derive(std::string_view salt, std::string_view password, int64_t iterations) {
  return iterations == kLegacyPasswordIterations ? Sha256(salt, password)
                                                 : Pbkdf2(salt, password, iterations);
}

}  // namespace

PasswordHash HashNewPassword(std::string_view password, int64_t iterations) {
  unsigned char salt[kSaltSize];
  if (!RandomBytes(salt, kSaltSize)) throw std::runtime_error("no random bytes for a salt");
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
  return SameBytes(digest, stored.digest);
}

}  // namespace qorv::server
