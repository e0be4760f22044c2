// The handshake reply as a server sends it, read by the client's connect.
//
// The handshake is read straight off the socket (there is no buffer-level
// seam), so a peer on loopback plays the input: it reads the client's magic,
// sends the input's bytes after its first byte and closes. That first byte
// chooses the main connect (bit 0 clear) or a file-transfer connection's.
//
// Properties, beyond not crashing or hanging: the outcome is the one an
// independent reading of the grammar (handshake.h) gives for these bytes:
// - fields that end early: 11001; a version list or unused text announcing
//   more than the incoming bound: 11004 on the main connection, 11005 on a
//   transfer connection;
// - a wrong magic 12001, a version list without "5.2" as one entry 12002
//   (both decided once value 8 is read), an unknown mode 12004;
// - modes 0 and 1 connect, with the values sent and the buffer pair of the
//   mode; mode 2 fails in the SSL step (no SSL channel here) or earlier
//   when the certificate's bytes are missing.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "net/blowfish_message.h"
#include "net/byte_order.h"
#include "net/cancelable_socket.h"
#include "net/handshake.h"
#include "net/server_connection.h"
#include "net/transport_limits.h"
#include "qorvsdk/result_codes.h"

namespace qorv::fuzz {
namespace {

// What the grammar says of the bytes.
struct ExpectedHandshake {
  enum Kind { kEndsEarly, kTooLong, kWrongMagic, kVersionRefused, kComplete } kind = kComplete;
  HandshakeValues values;
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
  // Sets *too_long for a count over the bound.
  bool String(std::string* text, bool* too_long) {
    uint32_t count = 0;
    if (!Word(&count, true)) return false;
    if (count > kMaxIncomingLength) {
      *too_long = true;
      return false;
    }
    if (bytes_.size() < count) return false;
    text->assign(bytes_.substr(0, count));
    bytes_.remove_prefix(count);
    return true;
  }

 private:
  std::string_view bytes_;
};

ExpectedHandshake Expect(std::string_view bytes) {
  ExpectedHandshake expected;
  FieldReader reader(bytes);
  int32_t magic = 0;
  std::string versions;
  std::string unused_text;
  uint32_t unused_raw = 0;
  bool too_long = false;
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
  }
  return expected;
}

// The listening socket of the peer, made once per process.
CCancelableSocket& Listener() {
  static CCancelableSocket* const listener = [] {
    auto* socket = new CCancelableSocket();
    QORV_FUZZ_CHECK(socket->Listen("127.0.0.1", 0, 4) == kResultOk, "the peer can listen");
    return socket;
  }();
  return *listener;
}

// Accepts one client, reads its magic, sends `bytes` and closes.
void PlayPeer(CCancelableSocket& listener, std::string_view bytes) {
  platform::SocketHandle accepted;
  if (listener.Accept(&accepted) != kResultOk) return;
  CCancelableSocket peer;
  peer.Attach(accepted);
  uint8_t magic[4];
  if (peer.Receive(magic, sizeof(magic)) == kResultOk && !bytes.empty()) {
    peer.Send(bytes.data(), bytes.size());
  }
  peer.Close();
}

void CheckOutcome(const ExpectedHandshake& expected, bool main, const ConnectOutcome& outcome,
                  ServerConnection& connection) {
  switch (expected.kind) {
    case ExpectedHandshake::kEndsEarly:
      QORV_FUZZ_CHECK(outcome.result == kResultPeerClosed, "a handshake cut short");
      return;
    case ExpectedHandshake::kTooLong:
      QORV_FUZZ_CHECK(outcome.result == (main ? kResultReceiveOutOfMemory : kResultConnectFailed),
                      "a text over the incoming bound");
      return;
    case ExpectedHandshake::kWrongMagic:
      QORV_FUZZ_CHECK(outcome.result == kResultNotThisProduct, "a wrong magic");
      return;
    case ExpectedHandshake::kVersionRefused:
      QORV_FUZZ_CHECK(outcome.result == kResultVersionRefused, "a version list without ours");
      return;
    case ExpectedHandshake::kComplete:
      break;
  }
  const HandshakeValues& sent = expected.values;
  if (sent.encryption_mode == kEncryptionSsl) {
    // The SSL step fails here; before it the client asks for the CA
    // certificate (main) on a connection the peer has closed.
    QORV_FUZZ_CHECK(
        outcome.result == kResultSslUnspecified || outcome.result == kResultPeerClosed ||
            outcome.result == kResultSocketError || outcome.result == kResultReceiveOutOfMemory,
        "mode 2 ends in the SSL step or its certificate");
    return;
  }
  if (sent.encryption_mode != kEncryptionNone && sent.encryption_mode != kEncryptionBlowfish) {
    QORV_FUZZ_CHECK(outcome.result == kResultUnknownEncryption, "an unknown mode");
    return;
  }
  QORV_FUZZ_CHECK(outcome.result == kResultOk, "a whole handshake connects");
  QORV_FUZZ_CHECK(connection.encryption_mode() == sent.encryption_mode, "the mode is kept");
  const bool blowfish_pair =
      dynamic_cast<CBlowfishInMessage*>(&connection.in_message()) != nullptr &&
      dynamic_cast<CBlowfishOutMessage*>(&connection.out_message()) != nullptr;
  QORV_FUZZ_CHECK(blowfish_pair == (sent.encryption_mode == kEncryptionBlowfish),
                  "the buffer pair matches the mode");
  if (main) {
    const HandshakeValues& kept = connection.handshake_values();
    QORV_FUZZ_CHECK(kept.value7 == sent.value7 && kept.value8 == sent.value8 &&
                        kept.value9 == sent.value9 && kept.value10 == sent.value10 &&
                        kept.value11 == sent.value11,
                    "the main connection keeps the values sent");
  }
}

void RunHandshake(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const bool main = (input.Byte() & 1) == 0;
  const std::string_view bytes = input.RestText();
  const ExpectedHandshake expected = Expect(bytes);

  CCancelableSocket& listener = Listener();
  std::atomic<int32_t> stop{0};
  listener.SetCancelFlag(&stop);
  std::thread peer([&listener, bytes] { PlayPeer(listener, bytes); });

  ConnectOutcome outcome;
  {
    ServerConnection connection(nullptr);
    ConnectSettings settings;
    settings.server_host = "127.0.0.1";
    settings.server_port = listener.LocalPort();
    outcome = main ? connection.ConnectMain(settings, /*reuse_ca_file=*/false)
                   : connection.ConnectSecondary(settings, /*ca_file_path=*/"");
    CheckOutcome(expected, main, outcome, connection);
    // The connection closes here, so a peer still sending is released.
  }
  stop = 1;  // a peer whose client never came stops waiting
  peer.join();
  listener.SetCancelFlag(nullptr);
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::RunHandshake(data, size);
  return 0;
}
