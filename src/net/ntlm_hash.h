// The LM and NT password hashes and the NTLM version 1 response, as the HTTP
// proxy's NTLM authentication sends them.
#ifndef QORV_NET_NTLM_HASH_H_
#define QORV_NET_NTLM_HASH_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qorv {

inline constexpr size_t kNtlmHashSize = 16;
inline constexpr size_t kNtlmChallengeSize = 8;
inline constexpr size_t kNtlmResponseSize = 24;

// Passwords of this many bytes or more have no LM hash.
inline constexpr size_t kLmPasswordLimit = 15;

// The LM hash: the password upper-cased (a-z only), zero-padded to 14 bytes,
// split into two DES keys that each encipher "KGS!@#$%". False (hash not
// written) for a password of 15 bytes or more.
bool LmHash(std::string_view password, uint8_t hash[kNtlmHashSize]);

// The NT hash: MD4 of the password as UTF-16LE without a terminator. The
// password is multibyte text of the system's code page (UTF-8).
void NtHash(std::string_view password, uint8_t hash[kNtlmHashSize]);

enum class NtlmHashKind { kLm, kNt };

// The NTLM version 1 response: the hash followed by 5 zero bytes, cut into
// three 7-byte DES keys that each encipher the server's challenge. When the
// LM hash does not exist (long password), the LM response is 24 zero bytes.
void NtlmResponse(NtlmHashKind kind, std::string_view password,
                  const uint8_t challenge[kNtlmChallengeSize], uint8_t response[kNtlmResponseSize]);

}  // namespace qorv

#endif  // QORV_NET_NTLM_HASH_H_
