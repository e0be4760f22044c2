// TEMPORARY test-only adapter: an MD5 with the interface of qorv::Md5
// (Update, Final) over OpenSSL, for the digest tests until the primitives
// library's own MD5 is on main. Never used by the library itself.
#ifndef QORV_TESTS_LOCAL_TEST_MD5_H_
#define QORV_TESTS_LOCAL_TEST_MD5_H_

#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>

namespace qorv::testing {

class OpenSslMd5 {
 public:
  OpenSslMd5() : context_(EVP_MD_CTX_new()) { EVP_DigestInit_ex(context_, EVP_md5(), nullptr); }
  ~OpenSslMd5() { EVP_MD_CTX_free(context_); }
  OpenSslMd5(const OpenSslMd5&) = delete;
  OpenSslMd5& operator=(const OpenSslMd5&) = delete;

  void Update(const void* data, size_t size) { EVP_DigestUpdate(context_, data, size); }
  void Final(uint8_t out[16]) {
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_, out, &length);
  }

 private:
  EVP_MD_CTX* context_;
};

}  // namespace qorv::testing

#endif  // QORV_TESTS_LOCAL_TEST_MD5_H_
