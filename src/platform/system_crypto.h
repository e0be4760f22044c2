// The system's own cryptographic services, for a build without OpenSSL:
// random bytes, SHA-256 and PBKDF2-HMAC-SHA256 from Windows' CNG (bcrypt).
// Only the Windows side exists; the POSIX build has OpenSSL for these.
#ifndef QORV_PLATFORM_SYSTEM_CRYPTO_H_
#define QORV_PLATFORM_SYSTEM_CRYPTO_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qorv::platform {

// `size` bytes from the system's preferred generator; false on failure.
bool SystemRandomBytes(void* out, size_t size);

// The 32-byte SHA-256 digest of `input`; false on failure.
bool SystemSha256(std::string_view input, std::string* digest);

// The 32-byte PBKDF2-HMAC-SHA256 key; false on failure.
bool SystemPbkdf2HmacSha256(std::string_view password, std::string_view salt, uint32_t iterations,
                            std::string* digest);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_SYSTEM_CRYPTO_H_
