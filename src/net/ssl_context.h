// The SSL context of one connection (the client's per connection, the
// server's shared by all of its connections): OpenSSL's settings for the
// TLS streams made with it. TLS 1.2 is the oldest protocol version either
// side accepts.
//
// The calls answer the SSL library's result codes (net/ssl_channel.h) in
// place of a process-wide "last error": each caller gets its own code back
// with the failing call, so threads never read each other's failures.
#ifndef QORV_NET_SSL_CONTEXT_H_
#define QORV_NET_SSL_CONTEXT_H_

#include <cstdint>
#include <memory>
#include <string>

namespace qorv {

// The kinds of context: a client verifies the server against a CA file; a
// server presents its certificate and key.
enum class SslContextKind : int32_t { kClient = 1, kServer = 2 };

class SslContext {
 public:
  // Null with the code in *error: 20004 when OpenSSL makes no context, 20008
  // for a kind that is neither of the two.
  static std::unique_ptr<SslContext> Create(SslContextKind kind, int32_t* error);
  ~SslContext();
  SslContext(const SslContext&) = delete;
  SslContext& operator=(const SslContext&) = delete;

  SslContextKind kind() const { return kind_; }

  // Client: the server's certificate must chain to a certificate of the
  // PEM file `ca_file`. 0, or 20015 when the file cannot be read as one.
  int32_t SetVerifyFile(const std::string& ca_file);

  // Server: the certificate chain and private key it presents (PEM files).
  // 0, or 20015 when either cannot be read or they do not match.
  int32_t SetCertificate(const std::string& certificate_file, const std::string& key_file);

  // OpenSSL's context (SSL_CTX*), for the TLS stream.
  void* native() const { return native_; }

 private:
  SslContext(SslContextKind kind, void* native) : kind_(kind), native_(native) {}

  SslContextKind kind_;
  void* native_;
};

// True when the two PEM texts hold the same first certificate (compared in
// its DER form, so that line endings and text around it do not count).
// False when either holds none.
bool SameCertificate(const std::string& first_pem, const std::string& second_pem);

}  // namespace qorv

#endif  // QORV_NET_SSL_CONTEXT_H_
