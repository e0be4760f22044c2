// The server's side of the handshake that opens every connection:
//
//   client -> server  int32   magic 0xA3F5E53C
//   server -> client  int32   magic 0xA3F5E53C
//                     string  accepted client versions (comma-separated)
//                     raw4    0
//                     int32   encryption mode
//                     string  the product name
//                     raw4    0 (value 7)
//                     int32   0 (value 8)
//                     int32   0 (value 9)
//                     int32   0 (value 10)
//                     raw4    0 (value 11)
//
//   mode 2 only:
//   client -> server  raw4    1 = send the CA certificate, 0 = not needed
//   server -> client  string  the CA certificate text (only after a 1)
//   then the SSL handshake (server/server_ssl.h)
//
// raw4 is 4 bytes little-endian. The values the client does not use are
// sent as zeros; docs/protocol.md ("Handshake") gives the same grammar.
#ifndef QORV_SERVER_SERVER_HANDSHAKE_H_
#define QORV_SERVER_SERVER_HANDSHAKE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "net/blocking_socket.h"
#include "net/byte_exchange.h"

namespace qorv::server {

// The server's part of the handshake as bytes, after the client's magic.
std::vector<uint8_t> ServerHandshakeBytes(const std::string& accepted_versions,
                                          int32_t encryption_mode);

// The server's side as a parser on buffers: it reads the client's four
// bytes, then queues the answer and finishes with 0, or finishes with 12001
// (kResultNotThisProduct) and queues nothing when they are not the magic. In
// mode 2 it then reads the client's request word and, after a 1, queues
// `ca_certificate` as a string before finishing.
class ServerHandshake : public ByteExchange {
 public:
  ServerHandshake(std::string accepted_versions, int32_t encryption_mode,
                  std::string ca_certificate = {})
      : accepted_versions_(std::move(accepted_versions)),
        encryption_mode_(encryption_mode),
        ca_certificate_(std::move(ca_certificate)) {}

  size_t BytesWanted() const override { return finished() ? 0 : sizeof(word_) - filled_; }
  size_t Feed(const uint8_t* data, size_t size) override;

 private:
  std::string accepted_versions_;
  int32_t encryption_mode_;
  std::string ca_certificate_;
  uint8_t word_[4] = {};
  size_t filled_ = 0;
  bool answered_ = false;  // the magic was read and answered
};

// Runs ServerHandshake over the socket. Returns 0; the transport code of a
// failed transfer; or 12001 when the first four bytes are not the magic, in
// which case nothing is sent.
int32_t AnswerHandshake(CBlockingSocket& socket, const std::string& accepted_versions,
                        int32_t encryption_mode, const std::string& ca_certificate = {});

}  // namespace qorv::server

#endif  // QORV_SERVER_SERVER_HANDSHAKE_H_
