// The product handshake that opens every connection, after the TCP (or
// proxied) connection stands and before the first request frame. int32 and
// string as in the framing (big-endian); raw4 = 4 bytes as they lie in the
// client's memory (little-endian).
//
//   client -> server  int32   magic 0xA3F5E53C
//   server -> client  int32   magic (must be 0xA3F5E53C)
//                     string  accepted client versions: one, or comma-separated
//                     raw4    (not used)
//                     int32   encryption mode: 0 plain, 1 Blowfish, 2 SSL
//                     string  (not used)
//                     raw4    value 7
//                     int32   value 8
//                     -- the client checks magic and version here --
//                     int32   value 9
//                     int32   value 10
//                     raw4    value 11
//   mode 2 only:
//   client -> server  raw4    1 = send the CA certificate, 0 = not needed
//   server -> client  string  CA certificate text (only after a 1)
//   both              SSL handshake
//
// docs/protocol.md gives the same grammar.
#ifndef QORV_NET_HANDSHAKE_H_
#define QORV_NET_HANDSHAKE_H_

#include <cstdint>
#include <string_view>

namespace qorv {

inline constexpr uint32_t kHandshakeMagic = 0xA3F5E53Cu;

// The product name: the string the server sends after the encryption mode,
// and the name in the "not this product" description (12001).
inline constexpr char kProductName[] = "Brastovik Quorvane for VSS";

// The protocol version this client speaks.
inline constexpr char kClientVersion[] = "5.2";

// Encryption modes the server announces.
inline constexpr int32_t kEncryptionNone = 0;
inline constexpr int32_t kEncryptionBlowfish = 1;
inline constexpr int32_t kEncryptionSsl = 2;

// The values of the handshake that the request engine keeps. Their meaning
// is the server's; the client only reads them in order to stay in step.
struct HandshakeValues {
  int32_t encryption_mode = kEncryptionNone;
  uint32_t value7 = 0;  // raw4
  int32_t value8 = 0;
  int32_t value9 = 0;
  int32_t value10 = 0;
  uint32_t value11 = 0;  // raw4
};

// True when `client_version` is one whole entry of the server's list: the
// list equals it, begins with it and a comma, ends with a comma and it, or
// holds it between two commas. So 5.21 or 15.2 do not accept 5.2.
bool IsClientVersionAccepted(std::string_view server_versions,
                             std::string_view client_version = kClientVersion);

}  // namespace qorv

#endif  // QORV_NET_HANDSHAKE_H_
