#include "platform/system_crypto.h"

#include <climits>

// bcrypt.h needs the base types of windows.h first.
#include "platform/com/win32_api.h"

#include <bcrypt.h>

namespace qorv::platform {
namespace {

constexpr ULONG kSha256Size = 32;

// An algorithm provider of SHA-256, plain or for HMAC, closed on every path.
class Sha256Provider {
 public:
  explicit Sha256Provider(ULONG flags) {
    if (!BCRYPT_SUCCESS(
            ::BCryptOpenAlgorithmProvider(&handle_, BCRYPT_SHA256_ALGORITHM, nullptr, flags))) {
      handle_ = nullptr;
    }
  }
  ~Sha256Provider() {
    if (handle_ != nullptr) ::BCryptCloseAlgorithmProvider(handle_, 0);
  }
  Sha256Provider(const Sha256Provider&) = delete;
  Sha256Provider& operator=(const Sha256Provider&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

// CNG takes ULONG lengths and non-const byte pointers for inputs it only reads.
PUCHAR Bytes(std::string_view text) {
  return reinterpret_cast<PUCHAR>(const_cast<char*>(text.data()));
}

}  // namespace

bool SystemRandomBytes(void* out, size_t size) {
  if (size > ULONG_MAX) return false;
  return BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, static_cast<PUCHAR>(out),
                                          static_cast<ULONG>(size),
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

bool SystemSha256(std::string_view input, std::string* digest) {
  if (input.size() > ULONG_MAX) return false;
  Sha256Provider provider(0);
  if (provider.get() == nullptr) return false;
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!BCRYPT_SUCCESS(::BCryptCreateHash(provider.get(), &hash, nullptr, 0, nullptr, 0, 0))) {
    return false;
  }
  unsigned char bytes[kSha256Size];
  bool ok =
      BCRYPT_SUCCESS(::BCryptHashData(hash, Bytes(input), static_cast<ULONG>(input.size()), 0)) &&
      BCRYPT_SUCCESS(::BCryptFinishHash(hash, bytes, kSha256Size, 0));
  ::BCryptDestroyHash(hash);
  if (ok) digest->assign(reinterpret_cast<const char*>(bytes), kSha256Size);
  return ok;
}

bool SystemPbkdf2HmacSha256(std::string_view password, std::string_view salt, uint32_t iterations,
                            std::string* digest) {
  if (password.size() > ULONG_MAX || salt.size() > ULONG_MAX || iterations == 0) return false;
  Sha256Provider provider(BCRYPT_ALG_HANDLE_HMAC_FLAG);
  if (provider.get() == nullptr) return false;
  unsigned char bytes[kSha256Size];
  if (!BCRYPT_SUCCESS(::BCryptDeriveKeyPBKDF2(
          provider.get(), Bytes(password), static_cast<ULONG>(password.size()), Bytes(salt),
          static_cast<ULONG>(salt.size()), iterations, bytes, kSha256Size, 0))) {
    return false;
  }
  digest->assign(reinterpret_cast<const char*>(bytes), kSha256Size);
  return true;
}

}  // namespace qorv::platform
