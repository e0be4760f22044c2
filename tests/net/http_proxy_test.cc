// The HTTP proxy's request texts, the reading of its answer headers (bounded,
// in any pieces), the scheme it asks for, and the NTLM messages.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/base64.h"
#include "net/http_connect_exchange.h"
#include "net/http_proxy_answer.h"
#include "net/ntlm_hash.h"
#include "net/ntlm_message.h"
#include "qorvsdk/result_codes.h"
#include "test_bytes.h"

namespace qorv {
namespace {

using testing::Bytes;

std::string Text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(HttpProxyRequestTest, TextsAsSent) {
  EXPECT_EQ(HttpConnectRequest("srv.example", 5000), "CONNECT srv.example:5000 HTTP/1.0\r\n\r\n");
  EXPECT_EQ(HttpBasicRequest("10.0.0.1", 80, "proxyuser", "proxypass"),
            "CONNECT 10.0.0.1:80 HTTP/1.0\r\nProxy-Authorization: Basic "
            "cHJveHl1c2VyOnByb3h5cGFzcw==\r\n\r\n");
  // Empty credentials are the encoding of a lone colon.
  EXPECT_EQ(HttpBasicRequest("h", 1, "", ""),
            "CONNECT h:1 HTTP/1.0\r\nProxy-Authorization: Basic Og==\r\n\r\n");
  const std::vector<uint8_t> message = {'N', 'T'};
  EXPECT_EQ(HttpNtlmRequest(NtlmStep::kNegotiate, "h", 8080, message),
            "CONNECT h:8080 HTTP/1.1\r\nHost: h:8080\r\nProxy-Authorization: NTLM TlQ=\r\n"
            "Connection: Keep-Alive\r\n\r\n");
  EXPECT_EQ(HttpNtlmRequest(NtlmStep::kAuthenticate, "h", 8080, message),
            "CONNECT h:8080 HTTP/1.0\r\nHost: h:8080\r\nProxy-Authorization: NTLM TlQ=\r\n"
            "Connection: Keep-Alive\r\n\r\n");
}

TEST(HttpProxyAnswerTest, StatusAndScheme) {
  EXPECT_TRUE(HttpTunnelOpen("HTTP/1.1 200 Connection established\r\n\r\n"));
  EXPECT_TRUE(HttpTunnelOpen("http/1.1 200 ok\r\n\r\n"));
  EXPECT_TRUE(HttpTunnelOpen("<html>left over</html>\nHTTP/1.0 200 OK\r\n\r\n"));
  EXPECT_FALSE(HttpTunnelOpen("HTTP/1.1 403 Forbidden\r\n\r\n"));
  EXPECT_TRUE(HttpAuthenticationRequired("HTTP/1.0 407 Proxy Authentication Required\r\n\r\n"));
  EXPECT_FALSE(HttpAuthenticationRequired("HTTP/1.0 401 Unauthorized\r\n\r\n"));

  EXPECT_EQ(HttpChosenScheme("HTTP/1.1 407 x\r\nProxy-Authenticate: NTLM\r\n"
                             "proxy-authenticate: basic realm=\"r\"\r\n\r\n"),
            HttpAuthScheme::kBasic);
  EXPECT_EQ(HttpChosenScheme("HTTP/1.1 407 x\r\nPROXY-AUTHENTICATE: NTLM\r\n\r\n"),
            HttpAuthScheme::kNtlm);
  EXPECT_EQ(HttpChosenScheme("HTTP/1.1 407 x\r\n\r\n"), HttpAuthScheme::kBasic);
  EXPECT_EQ(HttpChosenScheme("HTTP/1.1 407 x\r\nProxy-Authenticate: Negotiate\r\n\r\n"),
            HttpAuthScheme::kOther);
}

TEST(HttpProxyAnswerTest, ContentLengthIsBounded) {
  EXPECT_EQ(HttpContentLength("HTTP/1.1 407 x\r\n\r\n", 100), 0u);
  EXPECT_EQ(HttpContentLength("HTTP/1.1 407 x\r\ncontent-length:  42\r\n\r\n", 100), 42u);
  EXPECT_EQ(HttpContentLength("HTTP/1.1 407 x\r\nContent-Length: 101\r\n\r\n", 100), std::nullopt);
  EXPECT_EQ(
      HttpContentLength("HTTP/1.1 407 x\r\nContent-Length: 99999999999999999999999\r\n\r\n", 100),
      std::nullopt);
  EXPECT_EQ(HttpContentLength("HTTP/1.1 407 x\r\nContent-Length: x\r\n\r\n", 100), std::nullopt);
}

TEST(HttpProxyAnswerTest, NtlmChallengeLine) {
  std::vector<uint8_t> type2(40, 0);
  std::memcpy(type2.data(), "NTLMSSP\0", 8);
  type2[8] = 2;
  for (int i = 0; i < 8; ++i) type2[24 + i] = static_cast<uint8_t>(0xA0 + i);
  const std::string token = Base64Encode(type2.data(), type2.size());
  uint8_t challenge[kNtlmChallengeSize] = {};
  std::string failure;

  EXPECT_EQ(HttpNtlmChallenge(
                "HTTP/1.1 407 x\r\nproxy-authenticate: ntlm  " + token + " \r\nVia: p\r\n\r\n",
                challenge, &failure),
            kResultOk);
  EXPECT_EQ(std::vector<uint8_t>(challenge, challenge + 8), Bytes("A0A1A2A3A4A5A6A7"));

  EXPECT_EQ(
      HttpNtlmChallenge("HTTP/1.1 407 x\r\nProxy-Authenticate: Basic\r\n\r\n", challenge, &failure),
      kResultProxyAuthFailed);
  EXPECT_EQ(
      HttpNtlmChallenge("HTTP/1.1 407 x\r\nProxy-Authenticate: NTLM " + token, challenge, &failure),
      kResultProxyAuthFailed);
  EXPECT_EQ(
      HttpNtlmChallenge("HTTP/1.1 407 x\r\nProxy-Authenticate: NTLM\r\n\r\n", challenge, &failure),
      kResultProxyAuthFailed);
  EXPECT_EQ(HttpNtlmChallenge("HTTP/1.1 407 x\r\nProxy-Authenticate: NTLM !!!!\r\n\r\n", challenge,
                              &failure),
            kResultProxyBadResponse);
  EXPECT_NE(failure.find("HTTP"), std::string::npos);
  // Too short to hold the challenge, and a type 1 message in its place.
  EXPECT_EQ(HttpNtlmChallenge("HTTP/1.1 407 x\r\nProxy-Authenticate: NTLM TlRMTVNTUAACAAAA\r\n\r\n",
                              challenge, &failure),
            kResultProxyBadResponse);
  type2[8] = 1;
  EXPECT_EQ(HttpNtlmChallenge("HTTP/1.1 407 x\r\nProxy-Authenticate: NTLM " +
                                  Base64Encode(type2.data(), type2.size()) + "\r\n\r\n",
                              challenge, &failure),
            kResultProxyBadResponse);
}

TEST(HttpConnectExchangeTest, ReadsTheHeaderInAnyPiecesAndStopsAtItsEnd) {
  const std::string answer = "HTTP/1.0 200 Connection established\r\nProxy-agent: t\r\n\r\nSERVER";
  HttpConnectExchange exchange("CONNECT h:1 HTTP/1.0\r\n\r\n");
  EXPECT_EQ(Text(exchange.TakeOutgoing()), "CONNECT h:1 HTTP/1.0\r\n\r\n");
  size_t taken = 0;
  while (!exchange.finished()) {
    ASSERT_EQ(exchange.BytesWanted(), 1u);
    taken += exchange.Feed(reinterpret_cast<const uint8_t*>(answer.data()) + taken, 1);
  }
  EXPECT_EQ(exchange.result(), kResultOk);
  EXPECT_EQ(exchange.header(), answer.substr(0, answer.size() - 6));
  // Fed everything at once it takes only the header.
  HttpConnectExchange whole("x");
  EXPECT_EQ(whole.Feed(reinterpret_cast<const uint8_t*>(answer.data()), answer.size()),
            answer.size() - 6);
}

TEST(HttpConnectExchangeTest, SkipsAnEarlierBodyFirst) {
  const std::string bytes = "<html>\r\n\r\n</html>HTTP/1.1 200 OK\r\n\r\n";
  HttpConnectExchange exchange("x", 17);
  EXPECT_EQ(exchange.BytesWanted(), 17u);
  EXPECT_EQ(exchange.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
            bytes.size());
  EXPECT_EQ(exchange.result(), kResultOk);
  EXPECT_EQ(exchange.header(), "HTTP/1.1 200 OK\r\n\r\n");
}

TEST(HttpConnectExchangeTest, AHeaderAtTheLimitIsAnErrorResponse) {
  HttpConnectExchange exchange("x");
  const uint8_t byte = 'A';
  size_t fed = 0;
  while (!exchange.finished() && fed < 10 * kProxyHeaderLimit) fed += exchange.Feed(&byte, 1);
  EXPECT_EQ(fed, kProxyHeaderLimit);
  EXPECT_EQ(exchange.result(), kResultProxyBadResponse);
  EXPECT_NE(exchange.failure_text().find("HTTP proxy"), std::string::npos);
  EXPECT_LE(exchange.header().size(), kProxyHeaderLimit);
}

TEST(NtlmMessageTest, Type1Bytes) {
  EXPECT_EQ(NtlmType1Message(),
            Bytes("4E544C4D53535000 01000000 03B20000 00000000000000000000000000000000"));
}

TEST(NtlmMessageTest, Type3LayoutAndResponses) {
  const uint8_t challenge[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const std::vector<uint8_t> message = NtlmType3Message("DOM\\joe", "Secret1", challenge);
  const size_t u = 7;
  ASSERT_EQ(message.size(), 112 + 2 * u);
  EXPECT_EQ(std::vector<uint8_t>(message.begin(), message.begin() + 64),
            Bytes("4E544C4D53535000 03000000"
                  "1800 1800 4E000000"  // LM response at 64 + 14 = 78
                  "1800 1800 66000000"  // NT response at 102
                  "0000 0000 00000000"  // domain
                  "0E00 0E00 40000000"  // user name at 64
                  "0000 0000 00000000"  // workstation
                  "0000 0000 7E000000"  // session key: none, at the end (126)
                  "01820000"));
  EXPECT_EQ(std::vector<uint8_t>(message.begin() + 64, message.begin() + 78),
            Bytes("44004F004D005C006A006F006500"));
  uint8_t lm[24];
  uint8_t nt[24];
  NtlmResponse(NtlmHashKind::kLm, "Secret1", challenge, lm);
  NtlmResponse(NtlmHashKind::kNt, "Secret1", challenge, nt);
  EXPECT_EQ(0, std::memcmp(message.data() + 78, lm, 24));
  EXPECT_EQ(0, std::memcmp(message.data() + 102, nt, 24));
  EXPECT_NE(0, std::memcmp(lm, nt, 24));
}

}  // namespace
}  // namespace qorv
