#include "server/server_ssl.h"

#include "net/handshake.h"
#include "net/tls_stream.h"
#include "platform/file.h"
#include "qorvsdk/result_codes.h"

namespace qorv::server {
namespace {

// The whole of a small text file; false when it cannot be read.
bool ReadTextFile(const std::string& path, std::string* text) {
  platform::File file;
  if (platform::File::Open(path, platform::FileAccess::kRead, platform::FileCreation::kOpenExisting,
                           platform::FileSharing::kShared, &file) != 0) {
    return false;
  }
  char buffer[4096];
  for (;;) {
    size_t read = 0;
    if (file.Read(buffer, sizeof(buffer), &read) != 0) return false;
    if (read == 0) return true;
    text->append(buffer, read);
  }
}

}  // namespace

bool LoadServerSsl(const ServerConfig& config, ServerSsl* ssl, std::string* error) {
  std::string certificate;
  if (!ReadTextFile(config.ca_file, &certificate) || certificate.empty()) {
    *error = "cannot read the CA certificate " + config.ca_file;
    return false;
  }
  if (certificate.size() > kMaxCaCertificateLength) {
    *error =
        "the CA certificate " + config.ca_file + " is longer than the 2048 bytes a client takes";
    return false;
  }
  int32_t code = kResultOk;
  std::unique_ptr<SslContext> context = SslContext::Create(SslContextKind::kServer, &code);
  if (!context) {
    *error = "cannot make an SSL context";
    return false;
  }
  if (context->SetCertificate(config.certificate_file, config.key_file) != kResultOk) {
    *error = "cannot use the certificate " + config.certificate_file + " with the key " +
             config.key_file;
    return false;
  }
  ssl->context = std::move(context);
  ssl->ca_certificate = std::move(certificate);
  return true;
}

int32_t AcceptSslChannel(CBlockingSocket& socket, const SslContext& context) {
  return OpenTlsChannel(socket, context, /*client=*/false);
}

}  // namespace qorv::server
