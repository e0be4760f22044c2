// The cryptographic primitives behind the stored passwords and the server's
// random identities and keys: random bytes, SHA-256, PBKDF2-HMAC-SHA256 and
// a comparison whose time does not depend on where the bytes differ.
// OpenSSL provides them where the build has it (server_crypto_openssl.cc);
// elsewhere (the Windows build) the system's own (server_crypto_nossl.cc).
// Both give the same digests, so a store moves between the two.
#ifndef QORV_SERVER_SERVER_CRYPTO_H_
#define QORV_SERVER_SERVER_CRYPTO_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qorv::server {

// Fills `size` bytes from a cryptographic generator; false when it failed.
bool RandomBytes(void* out, size_t size);

// The 32-byte SHA-256 digest of `input`; false when the primitive failed.
bool Sha256Digest(std::string_view input, std::string* digest);

// The 32-byte PBKDF2-HMAC-SHA256 key of `password` and `salt` after
// `iterations` rounds (1 .. INT32_MAX); false when the primitive failed.
bool Pbkdf2HmacSha256(std::string_view password, std::string_view salt, uint32_t iterations,
                      std::string* digest);

// Whether `a` and `b` hold the same bytes, in a time that depends only on
// their lengths.
bool SameBytes(std::string_view a, std::string_view b);

}  // namespace qorv::server

#endif  // QORV_SERVER_SERVER_CRYPTO_H_
