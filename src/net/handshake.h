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
// docs/protocol.md gives the same grammar. ClientHandshake reads it as a
// parser on buffers; ServerConnection runs it over the socket (RunExchange).
#ifndef QORV_NET_HANDSHAKE_H_
#define QORV_NET_HANDSHAKE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/byte_exchange.h"

namespace qorv {

inline constexpr uint32_t kHandshakeMagic = 0xA3F5E53Cu;

// The product name: the string the server sends after the encryption mode,
// and the name in the "not this product" description (12001).
inline constexpr char kProductName[] = "Brastovik Quorvane for VSS";

// The protocol version this client speaks.
inline constexpr char kClientVersion[] = "5.2";

// The longest CA certificate text taken from a server in mode 2. A longer
// one is refused whole (20009) as soon as its count arrives, rather than cut:
// a cut certificate could only fail later, with a less telling text.
inline constexpr uint32_t kMaxCaCertificateLength = 2048;

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

// The client's side of the handshake, from the magic it sends to the CA
// certificate of mode 2. Results once finished:
//   0      the handshake is complete (whatever the mode: the connection
//          judges it, and opens the SSL channel in mode 2)
//   11004  a string announcing more than the incoming bound, or memory short
//          for its bytes
//   12001  the magic is another (judged after value 8, so all seven fields
//          up to it are read first)
//   12002  the version list does not hold this client's version (likewise)
//   20009  the CA certificate announces more than kMaxCaCertificateLength
// A peer that stops early leaves it unfinished, wanting more bytes.
class ClientHandshake : public ByteExchange {
 public:
  // `request_certificate`: in mode 2, whether to ask for the CA certificate
  // (raw4 1, then the certificate is read) or not (raw4 0).
  explicit ClientHandshake(bool request_certificate);

  size_t BytesWanted() const override;
  size_t Feed(const uint8_t* data, size_t size) override;

  // True once value 11 is read: the checks passed and values() is whole,
  // even if the certificate of mode 2 is still to come.
  bool values_complete() const { return values_complete_; }
  const HandshakeValues& values() const { return values_; }
  // The CA certificate, once requested in mode 2 and read whole.
  const std::string& certificate() const { return certificate_; }

 private:
  enum class Field : uint8_t {
    kMagic,
    kVersions,
    kUnusedRaw,
    kMode,
    kUnusedText,
    kValue7,
    kValue8,
    kValue9,
    kValue10,
    kValue11,
    kCertificate,
  };

  // Stores the 4-byte word just read into the current field, or starts the
  // text it announces.
  void TakeWord();
  // Moves on from a field read whole: the checks after value 8, the request
  // of mode 2 after value 11.
  void NextField();
  std::string* CurrentText();

  bool request_certificate_;
  Field field_ = Field::kMagic;
  uint8_t word_[4] = {};
  size_t word_filled_ = 0;
  // Bytes of the current string field still to come after its count.
  uint32_t text_left_ = 0;
  bool in_text_ = false;
  uint32_t magic_ = 0;
  std::string versions_;
  std::string unused_text_;
  std::string certificate_;
  HandshakeValues values_;
  bool values_complete_ = false;
};

}  // namespace qorv

#endif  // QORV_NET_HANDSHAKE_H_
