// The handshake reply as a server sends it, read by the client's parser
// (ClientHandshake, net/handshake.h) straight from the input's bytes.
//
// The first byte chooses whether the client asks for the CA certificate in
// mode 2 (bit 0 clear, as the first connect does) and the size of the pieces
// the bytes are fed in ((byte >> 1) + 1); the rest is what the server sends.
//
// Properties, beyond not crashing or hanging:
// - the outcome is the one an independent reading of the grammar
//   (handshake.h) gives for these bytes: fields that end early leave the
//   parser unfinished (the connect then reads 11001 off the socket); a
//   string announcing more than the incoming bound 11004; a CA certificate
//   announcing more than 2048 bytes (but not over the incoming bound) 20009;
//   a wrong magic
//   12001, a version list without "5.2" as one entry 12002 (both decided
//   once value 8 is read); otherwise 0 with the values sent, the
//   certificate in mode 2 when it was asked for;
// - it sends the magic, then in mode 2 the certificate request (raw4 1 or
//   0), nothing else;
// - it takes exactly the handshake's bytes, never one that follows it;
// - the pieces the bytes come in change nothing: fed whole, in the chosen
//   pieces, or in the counts it asks for (as RunExchange feeds it), the
//   outcome is the same.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codec/byte_order.h"
#include "fuzz/fuzz_support.h"
#include "net/handshake.h"
#include "net/transport_limits.h"
#include "qorvsdk/result_codes.h"

namespace qorv::fuzz {
namespace {

// What the grammar says of the bytes.
struct ExpectedHandshake {
  enum Kind {
    kEndsEarly,
    kTooLong,
    kCertificateTooLong,
    kWrongMagic,
    kVersionRefused,
    kComplete
  } kind = kComplete;
  HandshakeValues values;
  std::string certificate;
  // How many bytes the handshake spans (those read up to its end).
  size_t length = 0;
};

class FieldReader {
 public:
  explicit FieldReader(std::string_view bytes) : bytes_(bytes) {}

  bool Word(uint32_t* value, bool big_endian) {
    if (bytes_.size() < 4) return false;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes_.data());
    *value = big_endian ? LoadBigEndian32(p) : LoadLittleEndian32(p);
    bytes_.remove_prefix(4);
    return true;
  }
  bool Int32(int32_t* value) {
    uint32_t word = 0;
    if (!Word(&word, true)) return false;
    *value = static_cast<int32_t>(word);
    return true;
  }
  bool Raw4(uint32_t* value) { return Word(value, false); }
  // Sets *too_long for a count over the incoming bound, *over_limit for
  // one over `limit` (but within the incoming bound).
  bool String(std::string* text, bool* too_long, uint32_t limit = kMaxIncomingLength,
              bool* over_limit = nullptr) {
    uint32_t count = 0;
    if (!Word(&count, true)) return false;
    if (count > kMaxIncomingLength) {
      *too_long = true;
      return false;
    }
    if (count > limit) {
      *over_limit = true;
      return false;
    }
    if (bytes_.size() < count) return false;
    text->assign(bytes_.substr(0, count));
    bytes_.remove_prefix(count);
    return true;
  }
  size_t used(std::string_view all) const { return all.size() - bytes_.size(); }

 private:
  std::string_view bytes_;
};

ExpectedHandshake Expect(std::string_view bytes, bool request_certificate) {
  ExpectedHandshake expected;
  FieldReader reader(bytes);
  int32_t magic = 0;
  std::string versions;
  std::string unused_text;
  uint32_t unused_raw = 0;
  bool too_long = false;
  bool certificate_too_long = false;
  HandshakeValues& values = expected.values;
  const bool first_part = reader.Int32(&magic) && reader.String(&versions, &too_long) &&
                          reader.Raw4(&unused_raw) && reader.Int32(&values.encryption_mode) &&
                          reader.String(&unused_text, &too_long) && reader.Raw4(&values.value7) &&
                          reader.Int32(&values.value8);
  if (!first_part) {
    expected.kind = too_long ? ExpectedHandshake::kTooLong : ExpectedHandshake::kEndsEarly;
  } else if (static_cast<uint32_t>(magic) != kHandshakeMagic) {
    expected.kind = ExpectedHandshake::kWrongMagic;
  } else if (!IsClientVersionAccepted(versions)) {
    expected.kind = ExpectedHandshake::kVersionRefused;
  } else if (!reader.Int32(&values.value9) || !reader.Int32(&values.value10) ||
             !reader.Raw4(&values.value11)) {
    expected.kind = ExpectedHandshake::kEndsEarly;
  } else if (values.encryption_mode == kEncryptionSsl && request_certificate &&
             !reader.String(&expected.certificate, &too_long, kMaxCaCertificateLength,
                            &certificate_too_long)) {
    expected.kind = too_long               ? ExpectedHandshake::kTooLong
                    : certificate_too_long ? ExpectedHandshake::kCertificateTooLong
                                           : ExpectedHandshake::kEndsEarly;
  }
  // A handshake cut short takes every byte there is, a partial field too.
  expected.length =
      expected.kind == ExpectedHandshake::kEndsEarly ? bytes.size() : reader.used(bytes);
  return expected;
}

// What a parser made of the bytes, for comparing two feedings.
struct Reading {
  bool finished = false;
  int32_t result = 0;
  size_t taken = 0;
  std::vector<uint8_t> sent;
  bool values_complete = false;
  HandshakeValues values;
  std::string certificate;
};

Reading Summary(ClientHandshake& parser, size_t taken, std::vector<uint8_t> sent) {
  std::vector<uint8_t> rest = parser.TakeOutgoing();
  sent.insert(sent.end(), rest.begin(), rest.end());
  return {parser.finished(), parser.result(),     taken, std::move(sent), parser.values_complete(),
          parser.values(),   parser.certificate()};
}

// Feeds `bytes` in pieces of `piece` bytes (0: in the counts it asks for).
Reading Feed(std::string_view bytes, bool request_certificate, size_t piece) {
  ClientHandshake parser(request_certificate);
  std::vector<uint8_t> sent;
  size_t at = 0;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  while (at < bytes.size() && !parser.finished()) {
    std::vector<uint8_t> out = parser.TakeOutgoing();
    sent.insert(sent.end(), out.begin(), out.end());
    const size_t wanted = parser.BytesWanted();
    QORV_FUZZ_CHECK(wanted > 0, "an unfinished parser wants bytes");
    const size_t count = std::min(bytes.size() - at, piece == 0 ? wanted : piece);
    const size_t taken = parser.Feed(data + at, count);
    QORV_FUZZ_CHECK(taken <= count, "takes no more than it is given");
    QORV_FUZZ_CHECK(taken == count || parser.finished(), "takes everything until it finishes");
    at += taken;
    if (taken < count) break;
  }
  if (!parser.finished()) QORV_FUZZ_CHECK(parser.BytesWanted() > 0, "still wants bytes");
  return Summary(parser, at, std::move(sent));
}

bool Same(const Reading& a, const Reading& b) {
  const HandshakeValues& x = a.values;
  const HandshakeValues& y = b.values;
  return a.finished == b.finished && a.result == b.result && a.taken == b.taken &&
         a.sent == b.sent && a.values_complete == b.values_complete &&
         a.certificate == b.certificate && x.encryption_mode == y.encryption_mode &&
         x.value7 == y.value7 && x.value8 == y.value8 && x.value9 == y.value9 &&
         x.value10 == y.value10 && x.value11 == y.value11;
}

void CheckReading(const ExpectedHandshake& expected, bool request_certificate,
                  const Reading& reading) {
  QORV_FUZZ_CHECK(reading.taken == expected.length, "takes exactly the handshake's bytes");
  std::vector<uint8_t> sent(4);
  StoreBigEndian32(sent.data(), kHandshakeMagic);
  switch (expected.kind) {
    case ExpectedHandshake::kEndsEarly:
      QORV_FUZZ_CHECK(!reading.finished, "a handshake cut short waits for more");
      break;
    case ExpectedHandshake::kTooLong:
      QORV_FUZZ_CHECK(reading.finished && reading.result == kResultReceiveOutOfMemory,
                      "a text over the incoming bound");
      break;
    case ExpectedHandshake::kCertificateTooLong:
      QORV_FUZZ_CHECK(reading.finished && reading.result == kResultSslConnectFailed,
                      "a CA certificate over 2048 bytes");
      QORV_FUZZ_CHECK(reading.certificate.empty(), "no part of a refused certificate");
      break;
    case ExpectedHandshake::kWrongMagic:
      QORV_FUZZ_CHECK(reading.finished && reading.result == kResultNotThisProduct, "a wrong magic");
      QORV_FUZZ_CHECK(!reading.values_complete, "no values from a wrong magic");
      break;
    case ExpectedHandshake::kVersionRefused:
      QORV_FUZZ_CHECK(reading.finished && reading.result == kResultVersionRefused,
                      "a version list without ours");
      break;
    case ExpectedHandshake::kComplete: {
      QORV_FUZZ_CHECK(reading.finished && reading.result == kResultOk, "a whole handshake");
      const HandshakeValues& sent_values = expected.values;
      const HandshakeValues& kept = reading.values;
      QORV_FUZZ_CHECK(
          reading.values_complete && kept.encryption_mode == sent_values.encryption_mode &&
              kept.value7 == sent_values.value7 && kept.value8 == sent_values.value8 &&
              kept.value9 == sent_values.value9 && kept.value10 == sent_values.value10 &&
              kept.value11 == sent_values.value11,
          "the values sent are read");
      QORV_FUZZ_CHECK(reading.certificate == expected.certificate, "the certificate sent");
      break;
    }
  }
  // In mode 2 the request follows value 11, whatever becomes of the
  // certificate.
  if (reading.values_complete && reading.values.encryption_mode == kEncryptionSsl) {
    sent.push_back(request_certificate ? 1 : 0);
    sent.insert(sent.end(), 3, 0);
  }
  QORV_FUZZ_CHECK(reading.sent == sent, "sends the magic, then only the certificate request");
}

void RunHandshake(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const uint8_t choice = input.Byte();
  const bool request_certificate = (choice & 1) == 0;
  const size_t piece = static_cast<size_t>(choice >> 1) + 1;
  const std::string_view bytes = input.RestText();

  const Reading whole = Feed(bytes, request_certificate, bytes.size() + 1);
  CheckReading(Expect(bytes, request_certificate), request_certificate, whole);
  QORV_FUZZ_CHECK(Same(whole, Feed(bytes, request_certificate, piece)),
                  "pieces of the chosen size read the same");
  QORV_FUZZ_CHECK(Same(whole, Feed(bytes, request_certificate, 0)),
                  "the counts it asks for read the same");
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::RunHandshake(data, size);
  return 0;
}
