// The seam to the SSL channel of encryption mode 2: writing the CA
// certificate the server sends into a CA file, and opening the SSL channel
// on the connected socket (context, CA file, SSL handshake, and the TLS
// stream pushed onto the socket's stream stack, net/ssl_channel.h).
#ifndef QORV_NET_SSL_SETUP_H_
#define QORV_NET_SSL_SETUP_H_

#include <cstdint>
#include <string>

#include "net/ssl_channel.h"

namespace qorv {

class CCancelableSocket;

// Texts of the CA file's failures.
inline constexpr char kFormatCaFolderMissing[] = "%s does not exist.";
inline constexpr char kTextCaCertificateTooLong[] =
    "Failed to connect to server through SSL secure port. The CA certificate the server sent is "
    "longer than 2048 bytes.";
inline constexpr char kFormatCaChanged[] =
    "Failed to connect to server through SSL secure port. The certificate authority of the "
    "server %s:%d changed since it was first seen; remove the file \"%s\" to accept the new one.";

class SslChannelSetup {
 public:
  virtual ~SslChannelSetup() = default;

  // Writes `certificate`, sent by the server `server_host`:`server_port`,
  // into a new CA file, deleting the one at *ca_file_path if any, and stores
  // the new path there. Returns 0, or a failure code with its text in
  // *description.
  virtual int32_t WriteCaFile(const std::string& certificate, const std::string& server_host,
                              uint16_t server_port, std::string* ca_file_path,
                              std::string* description) = 0;

  // Creates this connection's SSL context (destroying an earlier one),
  // accepts the CA file for verifying the server, runs the SSL handshake on
  // the socket's top stream (waiting through socket.WaitFor when it would
  // block) and pushes the TLS stream onto the socket (PushStream). Returns 0, or the
  // SSL library's code with its text in *description (the context is then
  // destroyed).
  virtual int32_t OpenChannel(CCancelableSocket& socket, const std::string& ca_file_path,
                              std::string* description) = 0;

  // Destroys the SSL context, if one is held.
  virtual void DestroyContext() = 0;
};

// No SSL library behind it: every call fails with 20100 "An unspecified SSL
// error occurred.", so a server demanding SSL is refused, never half served.
class NoSslChannelSetup : public SslChannelSetup {
 public:
  int32_t WriteCaFile(const std::string& certificate, const std::string& server_host,
                      uint16_t server_port, std::string* ca_file_path,
                      std::string* description) override;
  int32_t OpenChannel(CCancelableSocket& socket, const std::string& ca_file_path,
                      std::string* description) override;
  void DestroyContext() override {}
};

}  // namespace qorv

#endif  // QORV_NET_SSL_SETUP_H_
