// Salted password hashes kept in the users table.
//
// The store never keeps a password itself: it keeps a random 16-byte salt,
// an iteration count and PBKDF2-HMAC-SHA256(password, salt, count), 32
// bytes, and compares a login's password by deriving it the same way. Rows
// from before schema version 3 have the count 0, meaning a single
// SHA-256(salt + password); they are rehashed at the user's next successful
// login.
#ifndef QORV_SERVER_PASSWORD_HASH_H_
#define QORV_SERVER_PASSWORD_HASH_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace qorv::server {

// The iteration count of new hashes unless the server is told otherwise
// (tests lower it; production keeps it).
inline constexpr int64_t kDefaultPasswordIterations = 210000;
// The count stored for the single SHA-256 hashes of older stores.
inline constexpr int64_t kLegacyPasswordIterations = 0;

struct PasswordHash {
  std::string salt;    // 16 random bytes
  std::string digest;  // 32 bytes
  int64_t iterations = kLegacyPasswordIterations;
};

// Throws std::runtime_error when OpenSSL fails (no random bytes).
PasswordHash HashNewPassword(std::string_view password, int64_t iterations);
bool PasswordMatches(const PasswordHash& stored, std::string_view password);

}  // namespace qorv::server

#endif  // QORV_SERVER_PASSWORD_HASH_H_
