#include "net/openssl_reference.h"

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <algorithm>

namespace qorv::testing {
namespace {

// A library context with the legacy provider (Blowfish, DES) loaded beside
// the default one; an explicit load disables the implicit default.
OSSL_LIB_CTX* LegacyContext() {
  static OSSL_LIB_CTX* context = [] {
    OSSL_LIB_CTX* created = OSSL_LIB_CTX_new();
    OSSL_PROVIDER_load(created, "legacy");
    OSSL_PROVIDER_load(created, "default");
    return created;
  }();
  return context;
}

std::vector<uint8_t> RunEcb(const char* name, const std::vector<uint8_t>& key,
                            const std::vector<uint8_t>& data, bool encipher) {
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(LegacyContext(), name, nullptr);
  if (cipher == nullptr) return {};
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  std::vector<uint8_t> out(data.size() + 16);
  int length = 0;
  int final_length = 0;
  bool ok =
      EVP_CipherInit_ex2(context, cipher, nullptr, nullptr, encipher ? 1 : 0, nullptr) &&
      EVP_CIPHER_CTX_set_key_length(context, static_cast<int>(key.size())) &&
      EVP_CipherInit_ex2(context, nullptr, key.data(), nullptr, -1, nullptr) &&
      EVP_CIPHER_CTX_set_padding(context, 0) &&
      EVP_CipherUpdate(context, out.data(), &length, data.data(), static_cast<int>(data.size())) &&
      EVP_CipherFinal_ex(context, out.data() + length, &final_length);
  EVP_CIPHER_CTX_free(context);
  EVP_CIPHER_free(cipher);
  if (!ok) return {};
  out.resize(static_cast<size_t>(length + final_length));
  return out;
}

}  // namespace

std::vector<uint8_t> OpenSslBlowfishEcb(const std::vector<uint8_t>& key,
                                        const std::vector<uint8_t>& data, bool encipher) {
  return RunEcb("BF-ECB", key, data, encipher);
}

std::vector<uint8_t> OpenSslDesEcb(const std::vector<uint8_t>& key,
                                   const std::vector<uint8_t>& data) {
  return RunEcb("DES-ECB", key, data, true);
}

std::vector<uint8_t> SwapHalves(std::vector<uint8_t> data) {
  for (size_t i = 0; i + 4 <= data.size(); i += 4)
    std::reverse(data.begin() + i, data.begin() + i + 4);
  return data;
}

}  // namespace qorv::testing
