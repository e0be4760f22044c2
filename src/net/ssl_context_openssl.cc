#include "net/ssl_context.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

// Codes of the SSL library's table (net/ssl_channel.h).
constexpr int32_t kCtxApplyFailed = 20004;
constexpr int32_t kInvalidCtxType = 20008;
constexpr int32_t kCallFailed = 20015;

SSL_CTX* Native(void* native) { return static_cast<SSL_CTX*>(native); }

// The DER bytes of the first certificate of a PEM text; empty when none.
std::string FirstCertificateDer(const std::string& pem) {
  BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  if (bio == nullptr) return {};
  X509* certificate = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
  BIO_free(bio);
  if (certificate == nullptr) {
    ERR_clear_error();
    return {};
  }
  unsigned char* der = nullptr;
  const int length = i2d_X509(certificate, &der);
  X509_free(certificate);
  if (length <= 0) return {};
  std::string bytes(reinterpret_cast<const char*>(der), static_cast<size_t>(length));
  OPENSSL_free(der);
  return bytes;
}

}  // namespace

std::unique_ptr<SslContext> SslContext::Create(SslContextKind kind, int32_t* error) {
  const SSL_METHOD* method = nullptr;
  switch (kind) {
    case SslContextKind::kClient:
      method = TLS_client_method();
      break;
    case SslContextKind::kServer:
      method = TLS_server_method();
      break;
    default:
      *error = kInvalidCtxType;
      return nullptr;
  }
  SSL_CTX* native = SSL_CTX_new(method);
  if (native == nullptr) {
    ERR_clear_error();
    *error = kCtxApplyFailed;
    return nullptr;
  }
  SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION);
  // A write may be retried with the buffer at another address: the socket
  // layer calls again with the same bytes, not necessarily the same pointer.
  SSL_CTX_set_mode(native, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  if (kind == SslContextKind::kClient) SSL_CTX_set_verify(native, SSL_VERIFY_PEER, nullptr);
  std::unique_ptr<SslContext> context(new (std::nothrow) SslContext(kind, native));
  if (!context) {
    SSL_CTX_free(native);
    *error = kResultSslFirst;  // 20001, out of memory
  }
  return context;
}

SslContext::~SslContext() { SSL_CTX_free(Native(native_)); }

int32_t SslContext::SetVerifyFile(const std::string& ca_file) {
  if (SSL_CTX_load_verify_locations(Native(native_), ca_file.c_str(), nullptr) != 1) {
    ERR_clear_error();  // the reasons stay out of the thread's later calls
    return kCallFailed;
  }
  return kResultOk;
}

int32_t SslContext::SetCertificate(const std::string& certificate_file,
                                   const std::string& key_file) {
  SSL_CTX* native = Native(native_);
  if (SSL_CTX_use_certificate_chain_file(native, certificate_file.c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(native, key_file.c_str(), SSL_FILETYPE_PEM) != 1 ||
      SSL_CTX_check_private_key(native) != 1) {
    ERR_clear_error();
    return kCallFailed;
  }
  return kResultOk;
}

bool SameCertificate(const std::string& first_pem, const std::string& second_pem) {
  const std::string first = FirstCertificateDer(first_pem);
  return !first.empty() && first == FirstCertificateDer(second_pem);
}

}  // namespace qorv
