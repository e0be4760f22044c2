// The handshake parser fed scripted byte chunks, and the main and secondary
// connect against scripted peers: the handshake read in full before its
// checks, the version rule, the buffer pair of each mode, the SSL and proxy
// seams, and every failure code with its text.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/blowfish_message.h"
#include "net/handshake.h"
#include "net/loopback.h"
#include "net/scripted_peer.h"
#include "net/server_connection.h"
#include "net/test_bytes.h"
#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

using testing::CloseStep;
using testing::Hex;
using testing::ReceiveStep;
using testing::ScriptedPeer;
using testing::SendStep;
using testing::ServerHello;
using testing::WaitForCloseStep;

ConnectSettings Direct(uint16_t port) {
  ConnectSettings settings;
  settings.server_host = "127.0.0.1";
  settings.server_port = port;
  return settings;
}

// Plays `hello` after reading the client's magic, then waits for the close.
void PlayHello(ScriptedPeer& peer, const ServerHello& hello, int last_step = 11) {
  std::vector<testing::ScriptStep> steps = {ReceiveStep(4), SendStep(hello.Bytes(last_step))};
  steps.push_back(last_step == 11 ? WaitForCloseStep() : CloseStep());
  peer.Start(std::move(steps));
}

TEST(VersionCheck, ClientMustBeOneWholeEntryOfTheList) {
  for (const char* accepted : {"5.2", "5.0,5.2", "5.2,6.0", "5.0,5.2,6.0"}) {
    EXPECT_TRUE(IsClientVersionAccepted(accepted)) << accepted;
  }
  for (const char* refused : {"5.21", "5.0,15.2", "15.2", "5.2.1,6.0", "", "5.0,5.21,6.0"}) {
    EXPECT_FALSE(IsClientVersionAccepted(refused)) << refused;
  }
}

// Feeds `bytes` one at a time; returns how many the parser took.
size_t FeedOneByOne(ClientHandshake& parser, const std::vector<uint8_t>& bytes) {
  size_t taken = 0;
  for (uint8_t byte : bytes) taken += parser.Feed(&byte, 1);
  return taken;
}

TEST(HandshakeParser, ReadsOneByteAtATimeAndStopsAtItsEnd) {
  ServerHello hello;
  hello.mode = kEncryptionBlowfish;
  std::vector<uint8_t> bytes = hello.Bytes();
  const size_t handshake_length = bytes.size();
  bytes.push_back(0x55);  // the first byte of a frame: not the handshake's

  ClientHandshake parser(/*request_certificate=*/true);
  EXPECT_EQ(Hex(parser.TakeOutgoing()), "a3f5e53c");
  EXPECT_EQ(FeedOneByOne(parser, bytes), handshake_length);
  ASSERT_TRUE(parser.finished());
  EXPECT_EQ(parser.result(), kResultOk);
  EXPECT_EQ(parser.BytesWanted(), 0u);
  EXPECT_TRUE(parser.TakeOutgoing().empty());  // no certificate request outside mode 2
  const HandshakeValues& values = parser.values();
  EXPECT_EQ(values.encryption_mode, kEncryptionBlowfish);
  EXPECT_EQ(values.value7, 0x04030201u);
  EXPECT_EQ(values.value9, -9);
  EXPECT_EQ(values.value11, 0x0B0A0908u);
}

TEST(HandshakeParser, Mode2AsksForTheCertificateRightAfterValue11) {
  ServerHello hello;
  hello.mode = kEncryptionSsl;
  const std::vector<uint8_t> reply = hello.Bytes();
  const std::vector<uint8_t> certificate = testing::Bytes("00000003 414243");
  for (bool request : {true, false}) {
    SCOPED_TRACE(request);
    ClientHandshake parser(request);
    parser.TakeOutgoing();
    const std::vector<uint8_t> before_value11(reply.begin(), reply.end() - 4);
    FeedOneByOne(parser, before_value11);
    EXPECT_TRUE(parser.TakeOutgoing().empty());
    EXPECT_FALSE(parser.values_complete());
    FeedOneByOne(parser, std::vector<uint8_t>(reply.end() - 4, reply.end()));
    EXPECT_TRUE(parser.values_complete());
    EXPECT_EQ(Hex(parser.TakeOutgoing()), request ? "01000000" : "00000000");
    if (!request) {
      // Nothing more is read: the SSL handshake comes next.
      EXPECT_TRUE(parser.finished());
      EXPECT_EQ(parser.Feed(certificate.data(), certificate.size()), 0u);
      continue;
    }
    EXPECT_FALSE(parser.finished());
    EXPECT_EQ(FeedOneByOne(parser, certificate), certificate.size());
    EXPECT_TRUE(parser.finished());
    EXPECT_EQ(parser.result(), kResultOk);
    EXPECT_EQ(parser.certificate(), "ABC");
  }
}

TEST(HandshakeParser, ChecksWaitForValue8AndLongTextsComeInPieces) {
  // A wrong magic is judged only once value 8 is in.
  ServerHello hello;
  hello.magic = 0x12345678;
  std::vector<uint8_t> bytes = hello.Bytes(8);
  ClientHandshake wrong(true);
  wrong.Feed(bytes.data(), bytes.size() - 1);
  EXPECT_FALSE(wrong.finished());
  EXPECT_EQ(wrong.BytesWanted(), 1u);
  wrong.Feed(&bytes.back(), 1);
  EXPECT_TRUE(wrong.finished());
  EXPECT_EQ(wrong.result(), kResultNotThisProduct);
  EXPECT_FALSE(wrong.values_complete());

  // A version list of 3 MiB: asked for in pieces of at most 1 MiB; one over
  // the incoming bound is refused on its count alone.
  ClientHandshake parser(true);
  bytes = testing::Bytes("a3f5e53c 00300000");
  parser.Feed(bytes.data(), bytes.size());
  EXPECT_EQ(parser.BytesWanted(), 1024u * 1024u);
  const std::vector<uint8_t> text(1024 * 1024 + 5, 'x');
  EXPECT_EQ(parser.Feed(text.data(), text.size()), text.size());
  EXPECT_EQ(parser.BytesWanted(), 1024u * 1024u);

  ClientHandshake absurd(true);
  bytes = testing::Bytes("a3f5e53c 20000001");
  EXPECT_EQ(absurd.Feed(bytes.data(), bytes.size()), bytes.size());
  EXPECT_TRUE(absurd.finished());
  EXPECT_EQ(absurd.result(), kResultReceiveOutOfMemory);
}

TEST(MainConnect, PlainModeStoresTheHandshakeValues) {
  ScriptedPeer peer;
  ServerHello hello;
  hello.versions = "5.0,5.2,6.0";
  PlayHello(peer, hello);
  ServerConnection connection(nullptr);
  const ConnectOutcome outcome = connection.ConnectMain(Direct(peer.port()), false);
  EXPECT_EQ(outcome.result, kResultOk);
  EXPECT_EQ(outcome.description, "Connected to server successfully");
  EXPECT_EQ(connection.encryption_mode(), kEncryptionNone);
  const HandshakeValues& values = connection.handshake_values();
  EXPECT_EQ(values.value7, 0x04030201u);  // raw4 keeps the byte order it came in
  EXPECT_EQ(values.value8, 8);
  EXPECT_EQ(values.value9, -9);
  EXPECT_EQ(values.value10, 10);
  EXPECT_EQ(values.value11, 0x0B0A0908u);
  EXPECT_EQ(dynamic_cast<CBlowfishOutMessage*>(&connection.out_message()), nullptr);
  EXPECT_TRUE(connection.IsAlive());

  // The next bytes on the connection are the first request frame.
  connection.out_message().AppendByte(1);
  ASSERT_EQ(connection.out_message().Send(connection.socket()), kResultOk);
  connection.Close();
  peer.Join();
  EXPECT_EQ(Hex(peer.received()),
            "a3f5e53c"
            "00000001"
            "01");  // magic, then the frame
}

TEST(MainConnect, BlowfishModeInstallsKeyedBuffers) {
  ScriptedPeer peer;
  ServerHello hello;
  hello.mode = kEncryptionBlowfish;
  PlayHello(peer, hello);
  ServerConnection connection(nullptr);
  ASSERT_EQ(connection.ConnectMain(Direct(peer.port()), false).result, kResultOk);
  EXPECT_EQ(connection.encryption_mode(), kEncryptionBlowfish);
  auto* out = dynamic_cast<CBlowfishOutMessage*>(&connection.out_message());
  auto* in = dynamic_cast<CBlowfishInMessage*>(&connection.in_message());
  ASSERT_NE(out, nullptr);
  ASSERT_NE(in, nullptr);
  EXPECT_TRUE(out->key() == kInitialChannelKey);
  EXPECT_TRUE(in->key() == kInitialChannelKey);

  // After the keyed login both buffers take the user key.
  ChannelKey user_key{};
  user_key[0] = 0x42;
  connection.SetChannelKey(user_key);
  EXPECT_TRUE(out->key() == user_key);
  EXPECT_TRUE(in->key() == user_key);
  EXPECT_TRUE(connection.channel_key() == user_key);
  connection.Close();
}

TEST(MainConnect, AnotherMagicIsRefusedOnlyAfterAllSevenFields) {
  ServerHello hello;
  hello.magic = 0x12345678;
  {
    ScriptedPeer peer;
    PlayHello(peer, hello, 8);  // steps 2 to 8, then close
    ServerConnection connection(nullptr);
    const ConnectOutcome outcome = connection.ConnectMain(Direct(peer.port()), false);
    EXPECT_EQ(outcome.result, kResultNotThisProduct);
    EXPECT_EQ(outcome.description, "Connected to a not Brastovik Quorvane for VSS server");
    EXPECT_FALSE(connection.socket().IsOpen());
  }
  {
    // Without step 8 the client is still reading when the peer closes: the
    // magic was not judged early.
    ScriptedPeer peer;
    PlayHello(peer, hello, 7);
    ServerConnection connection(nullptr);
    const ConnectOutcome outcome = connection.ConnectMain(Direct(peer.port()), false);
    EXPECT_EQ(outcome.result, kResultPeerClosed);
    EXPECT_EQ(outcome.description, "Peer closed down the SOCKET connection");
  }
}

TEST(MainConnect, RefusedVersionAndUnknownMode) {
  {
    ScriptedPeer peer;
    ServerHello hello;
    hello.versions = "5.0,15.2";
    PlayHello(peer, hello, 8);
    ServerConnection connection(nullptr);
    const ConnectOutcome outcome = connection.ConnectMain(Direct(peer.port()), false);
    EXPECT_EQ(outcome.result, kResultVersionRefused);
    EXPECT_EQ(outcome.description,
              "This client is not compatible with the server. Please contact your system "
              "administrator.");
  }
  {
    ScriptedPeer peer;
    ServerHello hello;
    hello.mode = 3;
    PlayHello(peer, hello);
    ServerConnection connection(nullptr);
    COutMessage* buffers_before = &connection.out_message();
    const ConnectOutcome outcome = connection.ConnectMain(Direct(peer.port()), false);
    EXPECT_EQ(outcome.result, kResultUnknownEncryption);
    EXPECT_EQ(outcome.description, "Error connecting to server");
    EXPECT_FALSE(connection.socket().IsOpen());
    // The connection keeps usable buffers.
    EXPECT_EQ(&connection.out_message(), buffers_before);
  }
}

TEST(Connect, PeerClosingMidHandshake) {
  for (bool main : {true, false}) {
    SCOPED_TRACE(main ? "main" : "secondary");
    ScriptedPeer peer;
    PlayHello(peer, ServerHello(), 4);
    ServerConnection connection(nullptr);
    const ConnectOutcome outcome = main ? connection.ConnectMain(Direct(peer.port()), false)
                                        : connection.ConnectSecondary(Direct(peer.port()), "");
    EXPECT_EQ(outcome.result, kResultPeerClosed);
    EXPECT_EQ(outcome.description, "Peer closed down the SOCKET connection");
  }
}

TEST(Connect, OtherTransferFailuresKeepTheirCodeOnlyOnTheMainConnect) {
  // A version list announced as 1 GiB: refused by the socket layer (11004).
  const std::vector<uint8_t> absurd = testing::Bytes("a3f5e53c 40000000");
  for (bool main : {true, false}) {
    ScriptedPeer peer;
    peer.Start({ReceiveStep(4), SendStep(absurd), WaitForCloseStep()});
    ServerConnection connection(nullptr);
    const ConnectOutcome outcome = main ? connection.ConnectMain(Direct(peer.port()), false)
                                        : connection.ConnectSecondary(Direct(peer.port()), "");
    EXPECT_EQ(outcome.result, main ? kResultReceiveOutOfMemory : kResultConnectFailed);
    EXPECT_EQ(outcome.description, "Error connecting to server");
  }
}

// A server that takes the greeting and then says nothing: with a receive
// time-out both kinds of connection give up, and a transfer connection (what
// ConnectSecondary makes) as well as the main one.
TEST(Connect, ReceiveTimeOutEndsASilentHandshake) {
  for (bool main : {true, false}) {
    SCOPED_TRACE(main ? "main" : "secondary");
    ScriptedPeer peer;
    peer.Start({ReceiveStep(4), WaitForCloseStep()});
    ServerConnection connection(nullptr);
    ConnectSettings settings = Direct(peer.port());
    settings.receive_timeout_seconds = 1;
    const auto start = std::chrono::steady_clock::now();
    const ConnectOutcome outcome =
        main ? connection.ConnectMain(settings, false) : connection.ConnectSecondary(settings, "");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(outcome.result, kResultSocketError);
    EXPECT_EQ(outcome.description, "Error at select(): time out");
    EXPECT_GE(waited, std::chrono::milliseconds(1000));
    EXPECT_LT(waited, std::chrono::milliseconds(3000));
    EXPECT_FALSE(connection.socket().IsOpen());
  }
}

TEST(Connect, CancelWhileWaiting) {
  std::atomic<int32_t> cancel{0};
  {
    // During the bounded connect.
    testing::SilentListener silent;
    if (!silent.Fill()) GTEST_SKIP() << "no way to make a loopback connect hang here";
    ServerConnection connection(&cancel);
    std::thread canceler([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      cancel = 1;
    });
    const ConnectOutcome outcome = connection.ConnectMain(Direct(silent.port()), false);
    canceler.join();
    EXPECT_EQ(outcome.result, kResultSocketCanceled);
    EXPECT_EQ(outcome.description, "Canceled");
  }
  cancel = 0;
  {
    // During the handshake, with a server that never answers.
    ScriptedPeer peer;
    peer.Start({ReceiveStep(4), WaitForCloseStep()});
    ServerConnection connection(&cancel);
    std::thread canceler([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      cancel = 1;
    });
    const ConnectOutcome outcome = connection.ConnectMain(Direct(peer.port()), false);
    canceler.join();
    EXPECT_EQ(outcome.result, kResultSocketCanceled);
    EXPECT_EQ(outcome.description, "Canceled");
  }
}

TEST(Connect, RefusedConnectionNamesTheServer) {
  CCancelableSocket probe;
  ASSERT_EQ(probe.Listen("127.0.0.1", 0, 1), kResultOk);
  const uint16_t dead_port = probe.LocalPort();
  probe.Close();
  ServerConnection connection(nullptr);
  const ConnectOutcome outcome = connection.ConnectMain(Direct(dead_port), false);
  EXPECT_EQ(outcome.result, kResultSocketError);
  EXPECT_EQ(outcome.description, "Error connecting to: 127.0.0.1:" + std::to_string(dead_port));
}

// A stand-in for the SSL library: records what the connect hands it.
class RecordingSslSetup : public SslChannelSetup {
 public:
  int32_t WriteCaFile(const std::string& certificate, const std::string& /*server_host*/,
                      uint16_t /*server_port*/, std::string* ca_file_path,
                      std::string* /*description*/) override {
    certificates.push_back(certificate);
    *ca_file_path = "CA_" + std::to_string(certificates.size());
    return kResultOk;
  }
  int32_t OpenChannel(CCancelableSocket& /*socket*/, const std::string& ca_file_path,
                      std::string* description) override {
    opened_with.push_back(ca_file_path);
    if (fail_open_with == 0) return kResultOk;
    *description = SslErrorText(fail_open_with);
    return fail_open_with;
  }
  void DestroyContext() override { ++destroyed; }

  std::vector<std::string> certificates;
  std::vector<std::string> opened_with;
  int32_t fail_open_with = 0;
  int destroyed = 0;
};

TEST(SslMode, CertificateRequestedOnceThenReused) {
  ServerHello hello;
  hello.mode = kEncryptionSsl;
  auto ssl = std::make_unique<RecordingSslSetup>();
  RecordingSslSetup* recorder = ssl.get();
  ServerConnection connection(nullptr, nullptr, std::move(ssl));

  // First connect: the client asks for the certificate (raw4 1).
  {
    ScriptedPeer peer;
    const std::vector<uint8_t> certificate = testing::Bytes("00000005 2d2d2d2d2d");  // "-----"
    peer.Start({ReceiveStep(4), SendStep(hello.Bytes()), ReceiveStep(4), SendStep(certificate),
                WaitForCloseStep()});
    const ConnectOutcome outcome = connection.ConnectMain(Direct(peer.port()), false);
    EXPECT_EQ(outcome.result, kResultOk) << outcome.description;
    connection.Close();
    peer.Join();
    EXPECT_EQ(Hex(peer.received()),
              "a3f5e53c"
              "01000000");
  }
  ASSERT_EQ(recorder->certificates.size(), 1u);
  EXPECT_EQ(recorder->certificates[0], "-----");
  EXPECT_EQ(connection.ca_file_path(), "CA_1");
  EXPECT_EQ(recorder->opened_with.back(), "CA_1");
  EXPECT_EQ(dynamic_cast<CBlowfishOutMessage*>(&connection.out_message()), nullptr);

  // A reconnect reuses the CA file: raw4 0, no certificate read.
  {
    ScriptedPeer peer;
    peer.Start({ReceiveStep(4), SendStep(hello.Bytes()), ReceiveStep(4), WaitForCloseStep()});
    EXPECT_EQ(connection.ConnectMain(Direct(peer.port()), true).result, kResultOk);
    connection.Close();
    peer.Join();
    EXPECT_EQ(Hex(peer.received()),
              "a3f5e53c"
              "00000000");
  }
  EXPECT_EQ(recorder->certificates.size(), 1u);
  EXPECT_EQ(recorder->opened_with.back(), "CA_1");

  // A secondary connect never asks; a library failure closes with its text.
  {
    ScriptedPeer peer;
    peer.Start({ReceiveStep(4), SendStep(hello.Bytes()), ReceiveStep(4), WaitForCloseStep()});
    ServerConnection transfer(nullptr, nullptr, std::make_unique<RecordingSslSetup>());
    auto* transfer_ssl = static_cast<RecordingSslSetup*>(&transfer.ssl_setup());
    transfer_ssl->fail_open_with = 20009;
    const ConnectOutcome outcome = transfer.ConnectSecondary(Direct(peer.port()), "CA_1");
    EXPECT_EQ(outcome.result, 20009);
    EXPECT_EQ(outcome.description, "Failed to connect to server through SSL secure port.");
    EXPECT_FALSE(transfer.socket().IsOpen());
    peer.Join();
    EXPECT_EQ(Hex(peer.received()),
              "a3f5e53c"
              "00000000");
    EXPECT_EQ(transfer_ssl->opened_with.back(), "CA_1");
  }
}

TEST(SslMode, WithoutAnSslLibraryTheConnectFailsHonestly) {
  ScriptedPeer peer;
  ServerHello hello;
  hello.mode = kEncryptionSsl;
  peer.Start({ReceiveStep(4), SendStep(hello.Bytes()), ReceiveStep(4),
              SendStep(testing::Bytes("00000001 41")), WaitForCloseStep()});
  ServerConnection connection(nullptr);
  const ConnectOutcome outcome = connection.ConnectMain(Direct(peer.port()), false);
  EXPECT_EQ(outcome.result, 20100);
  EXPECT_EQ(outcome.description, "An unspecified SSL error occurred.");
  EXPECT_FALSE(connection.socket().IsOpen());
}

// A proxy stand-in: answers a chosen code, or (code 0) connects straight to
// the server as a tunnel would.
class FakeProxy : public ProxyTraversal {
 public:
  explicit FakeProxy(int32_t code) : code_(code) {}
  int32_t Traverse(CCancelableSocket& socket, const ConnectSettings& settings) override {
    if (code_ != kResultOk) return code_;
    return socket.ConnectWithTimeout(settings.server_host.c_str(), settings.server_port);
  }

 private:
  int32_t code_;
};

TEST(ProxiedConnect, ResultsBecomeTheirTexts) {
  ConnectSettings settings = Direct(4000);
  settings.server_host = "10.1.2.3";
  settings.proxy_type = kProxySocks5;
  settings.proxy_host = "proxy.example";
  settings.proxy_port = 1080;
  struct Case {
    int32_t proxy_code;
    int32_t main_code;
    int32_t secondary_code;
    std::string text;
  };
  const Case cases[] = {
      {kResultOutOfMemory, 2, 2,
       "Out of memory: the possible cause could be that the versions of Client and Server are "
       "not compatible."},
      {kResultSocketError, 11002, 11002, "Socket error occured"},
      {kResultSocketCanceled, 11003, 11003, "Canceled"},
      {kResultProxyConnectFailed, 11303, 11303,
       "Error connecting to SOCKS5 proxy server proxy.example:1080"},
      {kResultProxyAuthFailed, 11304, 11304, "Proxy server authentication failed"},
      {kResultProxyTargetUnreachable, 11305, 11305,
       "Connected to proxy server successfully. But failed to connect to remote server "
       "10.1.2.3:4000."},
      {kResultProxyBadResponse, 11306, 11306, "Error response from proxy server"},
      {kResultProxyAuthSchemeUnsupported, 11308, 11310, "Error connecting to proxy server"},
      {kResultPeerClosed, 11001, 11310, "Error connecting to proxy server"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.proxy_code);
    ServerConnection main(nullptr, std::make_unique<FakeProxy>(c.proxy_code));
    ConnectOutcome outcome = main.ConnectMain(settings, false);
    EXPECT_EQ(outcome.result, c.main_code);
    EXPECT_EQ(outcome.description, c.text);
    EXPECT_FALSE(main.socket().IsOpen());
    ServerConnection secondary(nullptr, std::make_unique<FakeProxy>(c.proxy_code));
    outcome = secondary.ConnectSecondary(settings, "");
    EXPECT_EQ(outcome.result, c.secondary_code);
    EXPECT_EQ(outcome.description, c.text);
  }

  // Without a proxy implementation any proxy type is unknown: 11309.
  ServerConnection plain(nullptr);
  settings.proxy_type = 4;
  const ConnectOutcome outcome = plain.ConnectMain(settings, false);
  EXPECT_EQ(outcome.result, kResultProxyUnknownType);
  EXPECT_EQ(outcome.description, "Error connecting to proxy server");
  EXPECT_EQ(plain.ConnectSecondary(settings, "").result, kResultProxyOtherFailure);
}

TEST(ProxiedConnect, TheHandshakeRunsOnTheTunnel) {
  ScriptedPeer peer;
  PlayHello(peer, ServerHello());
  ConnectSettings settings = Direct(peer.port());
  settings.proxy_type = kProxyHttp;
  ServerConnection connection(nullptr, std::make_unique<FakeProxy>(kResultOk));
  EXPECT_EQ(connection.ConnectMain(settings, false).result, kResultOk);
  connection.Close();
}

}  // namespace
}  // namespace qorv
