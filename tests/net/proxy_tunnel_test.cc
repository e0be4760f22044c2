// ProxyTunnel over loopback against fake proxies: the whole conversation of
// each kind byte for byte, the fresh connection an HTTP proxy's demand for
// credentials leads to, and the failures (refusals, a proxy that closes or
// falls silent, an endless header, a cancel), whose texts never hold the
// password.
#include "net/proxy_tunnel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "fake_proxy.h"
#include "net/base64.h"
#include "net/cancelable_socket.h"
#include "net/http_proxy_answer.h"
#include "net/ntlm_message.h"
#include "net/server_connection.h"
#include "qorvsdk/result_codes.h"
#include "test_bytes.h"

namespace qorv {
namespace {

using testing::Bytes;
using testing::Dribble;
using testing::FakeProxy;
using testing::Receive;
using testing::ReceiveHeader;
using testing::Send;
using testing::WaitForClose;

constexpr char kPassword[] = "pa55-secret";

class ProxyTunnelTest : public ::testing::Test {
 protected:
  ConnectSettings Settings(int32_t type, const std::string& user = "",
                           const std::string& password = "") {
    ConnectSettings settings;
    settings.server_host = "127.0.0.1";
    settings.server_port = 5000;
    settings.proxy_type = type;
    settings.proxy_host = "127.0.0.1";
    settings.proxy_port = proxy_.port();
    settings.proxy_user = user;
    settings.proxy_password = password;
    return settings;
  }

  // Runs a traversal with answer waits of one poll (300 ms).
  int32_t Traverse(const ConnectSettings& settings) {
    EXPECT_EQ(socket_.Create(false, true, true), kResultOk);
    ProxyTunnel tunnel(1);
    const int32_t code = tunnel.Traverse(socket_, settings);
    EXPECT_EQ(socket_.wait_poll_limit(), 0) << "the bound outlived the traversal";
    EXPECT_EQ(socket_.last_error_text().find(kPassword), std::string::npos);
    return code;
  }

  // After a traversal that opened the tunnel: the next bytes are the server's.
  void ExpectServerBytes(const std::string& expected) {
    std::string got(expected.size(), '\0');
    ASSERT_EQ(socket_.Receive(got.data(), got.size()), kResultOk);
    EXPECT_EQ(got, expected);
  }

  FakeProxy proxy_;
  std::atomic<int32_t> cancel_{0};
  CCancelableSocket socket_{&cancel_};
};

TEST_F(ProxyTunnelTest, Socks4GrantedInManySmallPieces) {
  proxy_.Start({{Receive(9), Dribble(Bytes("00 5A 1388 7F000001")), Send("HELLO")}});
  EXPECT_EQ(Traverse(Settings(kProxySocks4, "ignored")), kResultOk);
  ExpectServerBytes("HELLO");
  proxy_.Join();
  EXPECT_EQ(proxy_.received(0), Bytes("04 01 1388 7F000001 00"));
}

TEST_F(ProxyTunnelTest, Socks4RejectedAndUnresolvableHost) {
  proxy_.Start({{Receive(9), Send(Bytes("00 5B 0000 00000000"))}, {WaitForClose()}});
  EXPECT_EQ(Traverse(Settings(kProxySocks4)), kResultProxyBadResponse);
  EXPECT_NE(socket_.last_error_text().find("SOCKS4"), std::string::npos);

  // Nothing at all goes to the proxy for a host that does not resolve.
  ConnectSettings settings = Settings(kProxySocks4);
  settings.server_host = "no-such-host.invalid";
  EXPECT_EQ(Traverse(settings), kResultProxyTargetUnreachable);
  socket_.Close();
  proxy_.Join();
  EXPECT_TRUE(proxy_.received(1).empty());
}

TEST_F(ProxyTunnelTest, Socks5WithUserNameAndPassword) {
  proxy_.Start({{Receive(4), Send(Bytes("05 02")), Receive(3 + 5 + 11), Send(Bytes("01 00")),
                 Receive(10), Dribble(Bytes("05 00 00 01 7F000001 C350")), Send("HELLO")}});
  EXPECT_EQ(Traverse(Settings(kProxySocks5, "proxy", kPassword)), kResultOk);
  ExpectServerBytes("HELLO");
  proxy_.Join();
  EXPECT_EQ(proxy_.received(0), Bytes("05 02 00 02"
                                      "01 05 70726F7879 0B 706135352D736563726574"
                                      "05 01 00 01 7F000001 1388"));
}

TEST_F(ProxyTunnelTest, Socks5RefusalsAndAProxyThatCloses) {
  proxy_.Start({
      {Receive(4), Send(Bytes("05 02")), Receive(19), Send(Bytes("01 01"))},
      {Receive(3), Send(Bytes("05 FF"))},
      {Receive(3), Send(Bytes("05 00")), Receive(10), Send(Bytes("05 05 00 01 00000000 0000"))},
      {Receive(3), Send(Bytes("05"))},  // closes mid-answer
  });
  EXPECT_EQ(Traverse(Settings(kProxySocks5, "proxy", kPassword)), kResultProxyAuthFailed);
  socket_.Close();
  EXPECT_EQ(Traverse(Settings(kProxySocks5)), kResultProxyAuthFailed);
  socket_.Close();
  EXPECT_EQ(Traverse(Settings(kProxySocks5)), kResultProxyBadResponse);
  EXPECT_NE(socket_.last_error_text().find("SOCKS5"), std::string::npos);
  socket_.Close();
  EXPECT_EQ(Traverse(Settings(kProxySocks5)), kResultPeerClosed);
}

TEST_F(ProxyTunnelTest, HttpPlainConnectWithLowerCaseStatus) {
  proxy_.Start(
      {{ReceiveHeader(), Dribble("http/1.1 200 ok\r\nProxy-agent: t\r\n\r\n"), Send("HELLO")}});
  EXPECT_EQ(Traverse(Settings(kProxyHttp, "u", kPassword)), kResultOk);
  ExpectServerBytes("HELLO");
  proxy_.Join();
  EXPECT_EQ(proxy_.received_text(0), "CONNECT 127.0.0.1:5000 HTTP/1.0\r\n\r\n");
}

TEST_F(ProxyTunnelTest, Http407WithoutSchemeLeadsToBasicOnAFreshConnection) {
  proxy_.Start({{ReceiveHeader(), Send("HTTP/1.0 407 Proxy Authentication Required\r\n\r\n")},
                {ReceiveHeader(), Send("HTTP/1.0 200 Connection established\r\n\r\nHELLO")}});
  EXPECT_EQ(Traverse(Settings(kProxyHttp, "proxyuser", kPassword)), kResultOk);
  ExpectServerBytes("HELLO");
  proxy_.Join();
  EXPECT_EQ(proxy_.accepted(), 2);
  EXPECT_EQ(proxy_.received_text(1),
            "CONNECT 127.0.0.1:5000 HTTP/1.0\r\nProxy-Authorization: Basic " +
                Base64Encode(std::string("proxyuser:") + kPassword) + "\r\n\r\n");
}

TEST_F(ProxyTunnelTest, HttpRefusalsAndOtherSchemes) {
  const std::string basic_407 =
      "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"r\"\r\n\r\n";
  proxy_.Start({
      {ReceiveHeader(), Send("HTTP/1.1 403 Forbidden\r\n\r\n")},
      {ReceiveHeader(), Send("HTTP/1.1 407 x\r\nProxy-Authenticate: Negotiate\r\n\r\n")},
      {WaitForClose()},
      {ReceiveHeader(), Send(basic_407)},
      {ReceiveHeader(), Send(basic_407)},  // the credentials are wrong
  });
  EXPECT_EQ(Traverse(Settings(kProxyHttp)), kResultProxyBadResponse);
  socket_.Close();
  EXPECT_EQ(Traverse(Settings(kProxyHttp)), kResultProxyAuthSchemeUnsupported);
  socket_.Close();
  EXPECT_EQ(Traverse(Settings(kProxyHttp, "u", kPassword)), kResultProxyBadResponse);
  EXPECT_NE(socket_.last_error_text().find("HTTP"), std::string::npos);
  socket_.Close();
  proxy_.Join();
  EXPECT_EQ(proxy_.accepted(), 5);
}

// A type 2 message carrying the challenge 0x11..0x88.
std::string ChallengeAnswer(const std::string& status_line, const std::string& body) {
  std::vector<uint8_t> type2 = Bytes(
      "4E544C4D53535000 02000000 0000 0000 FFFF0000 05820000 1122334455667788"
      "0000000000000000");
  return status_line + "\r\nProxy-Authenticate: NTLM " + Base64Encode(type2.data(), type2.size()) +
         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST_F(ProxyTunnelTest, HttpNtlmSkipsTheChallengeBodyAndSendsTheResponses) {
  const std::string body = "<html>\r\n\r\nauthentication required\r\n\r\n</html>";
  proxy_.Start({{ReceiveHeader(), Send("HTTP/1.1 407 x\r\nProxy-Authenticate: NTLM\r\n\r\n")},
                {ReceiveHeader(), Dribble(ChallengeAnswer("HTTP/1.1 407 x", body)), ReceiveHeader(),
                 Send("HTTP/1.1 200 Connection established\r\n\r\nHELLO")}});
  EXPECT_EQ(Traverse(Settings(kProxyHttp, "DOM\\joe", kPassword)), kResultOk);
  ExpectServerBytes("HELLO");
  proxy_.Join();

  const std::string expected_step1 =
      HttpNtlmRequest(NtlmStep::kNegotiate, "127.0.0.1", 5000, NtlmType1Message());
  const uint8_t challenge[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
  const std::string expected_step3 =
      HttpNtlmRequest(NtlmStep::kAuthenticate, "127.0.0.1", 5000,
                      NtlmType3Message("DOM\\joe", kPassword, challenge));
  EXPECT_EQ(proxy_.received_text(1), expected_step1 + expected_step3);
  EXPECT_EQ(expected_step1.rfind("CONNECT 127.0.0.1:5000 HTTP/1.1\r\nHost: 127.0.0.1:5000\r\n", 0),
            0u);
}

TEST_F(ProxyTunnelTest, HttpNtlmSecondChallengeAndMissingChallenge) {
  const std::string ntlm_407 = "HTTP/1.1 407 x\r\nProxy-Authenticate: NTLM\r\n\r\n";
  proxy_.Start({
      {ReceiveHeader(), Send(ntlm_407)},
      // The proxy answers the type 3 message with a new challenge: refused.
      {ReceiveHeader(), Send(ChallengeAnswer("HTTP/1.1 407 x", "")), ReceiveHeader(),
       Send(ChallengeAnswer("HTTP/1.1 407 x", ""))},
      {ReceiveHeader(), Send(ntlm_407)},
      {ReceiveHeader(), Send("HTTP/1.1 407 x\r\nProxy-Authenticate: Basic\r\n\r\n")},
  });
  EXPECT_EQ(Traverse(Settings(kProxyHttp, "joe", kPassword)), kResultProxyBadResponse);
  socket_.Close();
  EXPECT_EQ(Traverse(Settings(kProxyHttp, "joe", kPassword)), kResultProxyAuthFailed);
  EXPECT_NE(socket_.last_error_text().find("NTLM"), std::string::npos);
}

TEST_F(ProxyTunnelTest, AnEndlessHeaderIsReadOnlyToTheLimit) {
  proxy_.Start({{ReceiveHeader(), Send("HTTP/1.1 200 "), Send(std::string(1 << 20, 'A'))}});
  EXPECT_EQ(Traverse(Settings(kProxyHttp)), kResultProxyBadResponse);
  EXPECT_NE(socket_.last_error_text().find("HTTP proxy's answer header is longer"),
            std::string::npos);
  socket_.Close();
}

TEST_F(ProxyTunnelTest, SilenceTimesOutAndCancelStopsTheWait) {
  proxy_.Start({{WaitForClose()}, {WaitForClose()}});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Traverse(Settings(kProxySocks5)), kResultSocketError);
  EXPECT_EQ(socket_.last_error_text(), kTextSelectTimeOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  socket_.Close();

  EXPECT_EQ(socket_.Create(false, true, true), kResultOk);
  ProxyTunnel patient;  // the full bound: only the cancel ends this wait
  std::thread canceller([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cancel_ = 1;
  });
  EXPECT_EQ(patient.Traverse(socket_, Settings(kProxyHttp)), kResultSocketCanceled);
  canceller.join();
  socket_.Close();
}

TEST_F(ProxyTunnelTest, UnreachableProxyAndUnknownType) {
  proxy_.Start({{WaitForClose()}});
  EXPECT_EQ(Traverse(Settings(7)), kResultProxyUnknownType);
  socket_.Close();
  proxy_.Join();

  CCancelableSocket unused;  // a port that was listened on and is now closed
  ASSERT_EQ(unused.Listen("127.0.0.1", 0, 1), kResultOk);
  ConnectSettings settings = Settings(kProxySocks4);
  settings.proxy_port = unused.LocalPort();
  unused.Close();
  EXPECT_EQ(Traverse(settings), kResultProxyConnectFailed);
}

// The connection's report of a traversal failure uses the fixed texts; a
// bad answer adds what the proxy answered, naming the proxy kind.
TEST_F(ProxyTunnelTest, ServerConnectionReportsProxyFailures) {
  proxy_.Start({{Receive(4), Send(Bytes("05 02")), Receive(19), Send(Bytes("01 01"))},
                {Receive(9), Send(Bytes("00 5B 0000 00000000"))}});
  ServerConnection connection(nullptr, std::make_unique<ProxyTunnel>(1));
  ConnectOutcome outcome =
      connection.ConnectMain(Settings(kProxySocks5, "proxy", kPassword), false);
  EXPECT_EQ(outcome.result, kResultProxyAuthFailed);
  EXPECT_EQ(outcome.description, kTextProxyAuthFailed);
  outcome = connection.ConnectMain(Settings(kProxySocks4), false);
  EXPECT_EQ(outcome.result, kResultProxyBadResponse);
  EXPECT_EQ(outcome.description.rfind(std::string(kTextProxyBadResponse) + ": SOCKS4", 0), 0u)
      << outcome.description;
  EXPECT_EQ(outcome.description.find(kPassword), std::string::npos);
}

}  // namespace
}  // namespace qorv
