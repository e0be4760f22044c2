// The SSL channel of a build without OpenSSL (the Windows module,
// docs/windows.md): no context can be made, so a connection to a server that
// asks for SSL fails with 20003, "the SSL library cannot be initialised",
// and every other channel works as usual.
#include "net/ssl_context.h"
#include "net/tls_stream.h"

namespace qorv {
namespace {

constexpr int32_t kSslLibraryMissing = 20003;

}  // namespace

std::unique_ptr<SslContext> SslContext::Create(SslContextKind /*kind*/, int32_t* error) {
  *error = kSslLibraryMissing;
  return nullptr;
}

SslContext::~SslContext() = default;

int32_t SslContext::SetVerifyFile(const std::string& /*ca_file*/) { return kSslLibraryMissing; }

int32_t SslContext::SetCertificate(const std::string& /*certificate_file*/,
                                   const std::string& /*key_file*/) {
  return kSslLibraryMissing;
}

bool SameCertificate(const std::string& /*first_pem*/, const std::string& /*second_pem*/) {
  return false;
}

int32_t OpenTlsChannel(CBlockingSocket& /*socket*/, const SslContext& /*context*/,
                       bool /*client*/) {
  return kSslLibraryMissing;
}

}  // namespace qorv
