// Salted password hashes kept in the users table.
//
// The store never keeps a password itself: it keeps a random 16-byte salt
// and SHA-256(salt + password), and compares a login's password by hashing
// it the same way.
#ifndef QORV_SERVER_PASSWORD_HASH_H_
#define QORV_SERVER_PASSWORD_HASH_H_

#include <string>
#include <string_view>

namespace qorv::server {

struct PasswordHash {
  std::string salt;    // 16 random bytes
  std::string digest;  // 32 bytes
};

PasswordHash HashNewPassword(std::string_view password);
bool PasswordMatches(const PasswordHash& stored, std::string_view password);

}  // namespace qorv::server

#endif  // QORV_SERVER_PASSWORD_HASH_H_
