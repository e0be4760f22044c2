// Encryption mode 2 on the server: the SSL context every connection shares
// (the server's certificate and key), the CA certificate text sent in the
// handshake, and the TLS channel opened on each accepted connection.
#ifndef QORV_SERVER_SERVER_SSL_H_
#define QORV_SERVER_SERVER_SSL_H_

#include <cstdint>
#include <memory>
#include <string>

#include "net/blocking_socket.h"
#include "net/ssl_context.h"
#include "server/server_config.h"

namespace qorv::server {

struct ServerSsl {
  std::unique_ptr<SslContext> context;
  std::string ca_certificate;
};

// Loads the files of `config` (mode 2 only). False with a message in *error
// when a file cannot be read, the CA certificate is empty or longer than the
// 2048 bytes a client takes, or the certificate and key do not match.
bool LoadServerSsl(const ServerConfig& config, ServerSsl* ssl, std::string* error);

// The server's side of the SSL handshake on a connection whose product
// handshake is done; afterwards every byte travels inside the channel. 0,
// 20014 when the handshake fails, or the socket's transport code.
int32_t AcceptSslChannel(CBlockingSocket& socket, const SslContext& context);

}  // namespace qorv::server

#endif  // QORV_SERVER_SERVER_SSL_H_
