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
// raw4 is 4 bytes little-endian. The values the client does not use are
// sent as zeros; docs/protocol.md ("Handshake") gives the same grammar.
#ifndef QORV_SERVER_SERVER_HANDSHAKE_H_
#define QORV_SERVER_SERVER_HANDSHAKE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "net/blocking_socket.h"

namespace qorv::server {

// The server's part of the handshake as bytes, after the client's magic.
std::vector<uint8_t> ServerHandshakeBytes(const std::string& accepted_versions,
                                          int32_t encryption_mode);

// Reads the client's magic and answers it. Returns 0; the transport code of
// a failed transfer; or 12001 (kResultNotThisProduct) when the first four
// bytes are not the magic, in which case nothing is sent.
int32_t AnswerHandshake(CBlockingSocket& socket, const std::string& accepted_versions,
                        int32_t encryption_mode);

}  // namespace qorv::server

#endif  // QORV_SERVER_SERVER_HANDSHAKE_H_
