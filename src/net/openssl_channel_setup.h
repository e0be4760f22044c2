// The SSL channel of encryption mode 2 over OpenSSL: the CA file written
// from the certificate the server sends, the server's certificate authority
// pinned per server name and port, and the TLS channel opened with a
// context of this connection's own, verifying the server against the CA
// file.
//
// Files, below the folder given (the SDK's: the user's application-data
// folder + "/Brastovik/Quorvane for VSS"):
//   temp/CA_<n>                 the CA file of a connection, <n> from the
//                               current time; deleted when the next download
//                               replaces it or the engine goes
//   pinned/CA_<host>_<port>     the first CA certificate seen for that
//                               server; a later different one is refused
//                               until this file is removed
#ifndef QORV_NET_OPENSSL_CHANNEL_SETUP_H_
#define QORV_NET_OPENSSL_CHANNEL_SETUP_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "net/handshake.h"
#include "net/ssl_context.h"
#include "net/ssl_setup.h"

namespace qorv {

// The folder under which the SDK keeps its CA files: the user's
// application-data folder + "/Brastovik/Quorvane for VSS".
std::string DefaultSslFolder();

class OpenSslChannelSetup : public SslChannelSetup {
 public:
  explicit OpenSslChannelSetup(std::string folder = DefaultSslFolder())
      : folder_(std::move(folder)) {}

  // Refuses (20009) a certificate longer than kMaxCaCertificateLength, or
  // one other than the certificate pinned for the server; pins it when none
  // is. A folder that cannot be made: "%s does not exist." and the system's
  // error code.
  int32_t WriteCaFile(const std::string& certificate, const std::string& server_host,
                      uint16_t server_port, std::string* ca_file_path,
                      std::string* description) override;
  int32_t OpenChannel(CCancelableSocket& socket, const std::string& ca_file_path,
                      std::string* description) override;
  void DestroyContext() override { context_.reset(); }

  // Where the certificate of `server_host`:`server_port` is pinned.
  std::string PinFilePath(const std::string& server_host, uint16_t server_port) const;

 private:
  // Checks `certificate` against the pin of the server, pinning it when no
  // pin is there. 0, or a code with *description.
  int32_t CheckPin(const std::string& certificate, const std::string& server_host,
                   uint16_t server_port, std::string* description);

  std::string folder_;
  std::unique_ptr<SslContext> context_;
};

}  // namespace qorv

#endif  // QORV_NET_OPENSSL_CHANNEL_SETUP_H_
