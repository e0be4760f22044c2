// What a proxy answers, read by the client's proxy exchanges (SOCKS4 reply,
// SOCKS5 method and sub-negotiation replies, SOCKS5 connect reply, HTTP
// answer header) and the NTLM challenge line of an HTTP answer.
//
// The first byte chooses the reader (low 3 bits: 0 SOCKS4, 1 SOCKS5 methods
// without credentials, 2 SOCKS5 methods with credentials, 3 SOCKS5 connect,
// 4 HTTP header, 5 HTTP header after a skipped body of the next byte's
// count, 6 and 7 the NTLM challenge and scheme of the rest as a header) and
// the size of the pieces the bytes are fed in ((byte >> 3) + 1); the rest
// is what the proxy sends.
//
// Properties, beyond not crashing or hanging:
// - an exchange never takes more bytes than it is given, takes all of them
//   until it finishes, wants at least one more byte while unfinished and
//   none after, and never takes more in all than its bound (8, 4, 262,
//   skip + kProxyHeaderLimit);
// - the result is one the design allows for the reader, and a failure's
//   text names the proxy kind and never holds the password;
// - SOCKS4 grants exactly when the second reply byte is 90;
// - a finished header ends with the empty line, holds no earlier one and is
//   at most kProxyHeaderLimit bytes;
// - fed whole, in the chosen pieces or in the counts it asks for, an
//   exchange reads the same;
// - the NTLM challenge line gives 0, 11304 or 11306, and with 0 a type 3
//   message of 112 + 2U bytes.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "net/http_connect_exchange.h"
#include "net/http_proxy_answer.h"
#include "net/ntlm_message.h"
#include "net/proxy_limits.h"
#include "net/socks_exchange.h"
#include "qorvsdk/result_codes.h"

namespace qorv::fuzz {
namespace {

constexpr char kUser[] = "fuzz-user";
constexpr char kPassword[] = "fuzz-password";
constexpr uint32_t kAddress = 0x0100007F;

struct Reading {
  bool finished = false;
  int32_t result = 0;
  size_t taken = 0;
  std::vector<uint8_t> sent;
  std::string failure;
  std::string header;
  bool operator==(const Reading&) const = default;
};

// A fresh exchange of the chosen kind.
struct Made {
  std::unique_ptr<ProxyExchange> exchange;
  const char* kind;
  size_t bound;
  std::vector<int32_t> results;
};

Made Make(int reader, size_t skip) {
  switch (reader) {
    case 0:
      return {std::make_unique<Socks4Exchange>(kAddress, 80),
              "SOCKS4",
              8,
              {kResultOk, kResultProxyBadResponse}};
    case 1:
    case 2:
      return {std::make_unique<Socks5MethodExchange>(reader == 2, kUser, kPassword),
              "SOCKS5",
              4,
              {kResultOk, kResultProxyBadResponse, kResultProxyAuthFailed}};
    case 3:
      return {std::make_unique<Socks5ConnectExchange>(kAddress, 80),
              "SOCKS5",
              kSocks5ReplyLimit,
              {kResultOk, kResultProxyBadResponse}};
    default:
      return {std::make_unique<HttpConnectExchange>("CONNECT h:1 HTTP/1.0\r\n\r\n", skip),
              "HTTP",
              skip + kProxyHeaderLimit,
              {kResultOk, kResultProxyBadResponse}};
  }
}

// Feeds `bytes` in pieces of `piece` bytes (0: in the counts it asks for).
Reading Feed(int reader, size_t skip, std::string_view bytes, size_t piece) {
  Made made = Make(reader, skip);
  ProxyExchange& exchange = *made.exchange;
  Reading reading;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  while (reading.taken < bytes.size() && !exchange.finished()) {
    const std::vector<uint8_t> out = exchange.TakeOutgoing();
    reading.sent.insert(reading.sent.end(), out.begin(), out.end());
    const size_t wanted = exchange.BytesWanted();
    QORV_FUZZ_CHECK(wanted > 0, "an unfinished exchange wants bytes");
    const size_t count = std::min(bytes.size() - reading.taken, piece == 0 ? wanted : piece);
    const size_t taken = exchange.Feed(data + reading.taken, count);
    QORV_FUZZ_CHECK(taken <= count, "takes no more than it is given");
    QORV_FUZZ_CHECK(taken == count || exchange.finished(), "takes everything until it finishes");
    reading.taken += taken;
  }
  const std::vector<uint8_t> out = exchange.TakeOutgoing();
  reading.sent.insert(reading.sent.end(), out.begin(), out.end());
  reading.finished = exchange.finished();
  QORV_FUZZ_CHECK(reading.finished == (exchange.BytesWanted() == 0), "wants bytes until finished");
  QORV_FUZZ_CHECK(reading.taken <= made.bound, "reads no more than its bound");
  reading.result = exchange.result();
  reading.failure = exchange.failure_text();
  if (reading.finished) {
    QORV_FUZZ_CHECK(
        std::find(made.results.begin(), made.results.end(), reading.result) != made.results.end(),
        "a result the reader may give");
    QORV_FUZZ_CHECK((reading.result == kResultOk) == reading.failure.empty(),
                    "a failure, and only a failure, says why");
  }
  QORV_FUZZ_CHECK(reading.failure.empty() || reading.failure.find(made.kind) != std::string::npos,
                  "a failure names the proxy kind");
  QORV_FUZZ_CHECK(reading.failure.find(kPassword) == std::string::npos, "never the password");
  if (auto* http = dynamic_cast<HttpConnectExchange*>(&exchange)) reading.header = http->header();
  return reading;
}

void CheckSocks4(std::string_view bytes, const Reading& reading) {
  if (bytes.size() < 8) {
    QORV_FUZZ_CHECK(!reading.finished, "a short reply waits for more");
    return;
  }
  QORV_FUZZ_CHECK(reading.finished && reading.taken == 8, "takes exactly 8 bytes");
  QORV_FUZZ_CHECK((reading.result == kResultOk) == (static_cast<uint8_t>(bytes[1]) == 90),
                  "granted exactly on 90");
}

void CheckHeader(const Reading& reading) {
  if (!reading.finished || reading.result != kResultOk) return;
  const std::string& header = reading.header;
  QORV_FUZZ_CHECK(header.size() >= 4 && header.size() <= kProxyHeaderLimit, "a bounded header");
  QORV_FUZZ_CHECK(header.find("\r\n\r\n") == header.size() - 4, "ends at the first empty line");
}

void CheckNtlm(std::string_view header) {
  uint8_t challenge[kNtlmChallengeSize] = {};
  std::string failure;
  const int32_t result = HttpNtlmChallenge(header, challenge, &failure);
  QORV_FUZZ_CHECK(
      result == kResultOk || result == kResultProxyAuthFailed || result == kResultProxyBadResponse,
      "the challenge line gives 0, 11304 or 11306");
  QORV_FUZZ_CHECK((result == kResultOk) == failure.empty(), "a failure says why");
  if (result == kResultOk) {
    QORV_FUZZ_CHECK(NtlmType3Message(kUser, kPassword, challenge).size() ==
                        112 + 2 * std::string_view(kUser).size(),
                    "a type 3 message of 112 + 2U bytes");
  }
  // The scheme and the body length are read from any header.
  (void)HttpChosenScheme(header);
  const std::optional<size_t> body = HttpContentLength(header, kProxyBodySkipLimit);
  QORV_FUZZ_CHECK(!body || *body <= kProxyBodySkipLimit, "a bounded body");
}

void RunProxyAnswer(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const uint8_t choice = input.Byte();
  const int reader = choice & 7;
  const size_t piece = static_cast<size_t>(choice >> 3) + 1;
  if (reader >= 6) {
    CheckNtlm(input.RestText());
    return;
  }
  const size_t skip = reader == 5 ? input.Byte() : 0;
  const std::string_view bytes = input.RestText();
  const Reading whole = Feed(reader, skip, bytes, bytes.size() + 1);
  if (reader == 0) CheckSocks4(bytes, whole);
  if (reader >= 4) CheckHeader(whole);
  QORV_FUZZ_CHECK(whole == Feed(reader, skip, bytes, piece), "pieces read the same");
  QORV_FUZZ_CHECK(whole == Feed(reader, skip, bytes, 0), "the counts it asks for read the same");
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::RunProxyAnswer(data, size);
  return 0;
}
