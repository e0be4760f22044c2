// The SSL channel's pieces on a loopback connection and in a test folder:
// the TLS stream between a client and a server context (data both ways,
// peek, the orderly end read as a close, a server certificate that does not
// verify), and the CA file writer (the 2048-byte bound, pinning, replacing
// the previous CA file, a folder that cannot be made).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "loopback.h"
#include "net/openssl_channel_setup.h"
#include "net/ssl_context.h"
#include "net/tls_stream.h"
#include "support/scoped_temp.h"
#include "support/test_certificates.h"

namespace qorv {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class SslChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveOpenSslProgram()) GTEST_SKIP() << "no openssl command";
    std::string error;
    ASSERT_TRUE(testing::MakeCertificateAuthority(temp_.path(), "ca", &ca_, &error)) << error;
    ASSERT_TRUE(testing::MakeCertificateAuthority(temp_.path(), "other", &other_, &error)) << error;
    ASSERT_TRUE(
        testing::MakeServerCertificate(temp_.path(), "server", "127.0.0.1", ca_, &server_, &error))
        << error;
  }

  // Opens both ends of `pair`: the server's on a thread. Returns the
  // client's result; the server's goes to *server_result.
  int32_t OpenBoth(testing::LoopbackPair& pair, const std::string& client_ca,
                   int32_t* server_result) {
    int32_t code = 0;
    auto server_context = SslContext::Create(SslContextKind::kServer, &code);
    EXPECT_EQ(server_context->SetCertificate(server_.certificate, server_.key), 0);
    std::thread server(
        [&] { *server_result = OpenTlsChannel(pair.server(), *server_context, false); });
    auto client_context = SslContext::Create(SslContextKind::kClient, &code);
    EXPECT_EQ(client_context->SetVerifyFile(client_ca), 0);
    const int32_t client_result = OpenTlsChannel(pair.client(), *client_context, true);
    if (client_result != 0) pair.client().Close();  // the server's handshake ends too
    server.join();
    return client_result;
  }

  ::qorv::testing::ScopedTempFolder temp_;
  testing::CertificateFiles ca_, other_, server_;
};

TEST_F(SslChannelTest, BytesTravelBothWaysAndTheOrderlyEndReadsAsAClose) {
  testing::LoopbackPair pair;
  ASSERT_TRUE(pair.Open());
  int32_t server_result = -1;
  ASSERT_EQ(OpenBoth(pair, ca_.certificate, &server_result), 0);
  ASSERT_EQ(server_result, 0);
  EXPECT_TRUE(pair.client().layered());

  // More than one TLS record (16 KiB) each way.
  std::string big(100000, 'x');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  std::string received(big.size(), '\0');
  std::thread sender([&] { EXPECT_EQ(pair.client().Send(big.data(), big.size()), 0); });
  EXPECT_EQ(pair.server().Receive(received.data(), received.size()), 0);
  sender.join();
  EXPECT_EQ(received, big);
  ASSERT_EQ(pair.server().SendInt32(0x01020304), 0);
  // The probe peeks into the channel without taking the bytes.
  EXPECT_TRUE(pair.client().IsAlive());
  int32_t value = 0;
  ASSERT_EQ(pair.client().ReceiveInt32(&value), 0);
  EXPECT_EQ(value, 0x01020304);

  pair.server().Close();
  char byte = 0;
  EXPECT_EQ(pair.client().Receive(&byte, 1), kResultPeerClosed);
}

TEST_F(SslChannelTest, AServerThatDoesNotChainToTheCaFileIsRefusedWith20009) {
  testing::LoopbackPair pair;
  ASSERT_TRUE(pair.Open());
  int32_t server_result = -1;
  EXPECT_EQ(OpenBoth(pair, other_.certificate, &server_result), 20009);
  EXPECT_EQ(server_result, 20014);
  EXPECT_FALSE(pair.client().layered());
}

TEST_F(SslChannelTest, ACancelEndsAHandshakeThatTheServerNeverAnswers) {
  std::atomic<int32_t> cancel{0};
  testing::LoopbackPair pair(&cancel);
  ASSERT_TRUE(pair.Open());
  int32_t code = 0;
  auto client_context = SslContext::Create(SslContextKind::kClient, &code);
  ASSERT_EQ(client_context->SetVerifyFile(ca_.certificate), 0);
  // The server end takes the client's hello and says nothing.
  std::thread canceler([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cancel = 1;
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(OpenTlsChannel(pair.client(), *client_context, true), kResultSocketCanceled);
  canceler.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_FALSE(pair.client().layered());
}

TEST_F(SslChannelTest, ContextKindsAndUnreadableFilesAnswerTheLibraryCodes) {
  int32_t code = 0;
  EXPECT_EQ(SslContext::Create(static_cast<SslContextKind>(3), &code), nullptr);
  EXPECT_EQ(code, 20008);
  auto client = SslContext::Create(SslContextKind::kClient, &code);
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(client->SetVerifyFile(temp_.Child("missing.pem")), 20015);
  auto server = SslContext::Create(SslContextKind::kServer, &code);
  EXPECT_EQ(server->SetCertificate(server_.certificate, ca_.key), 20015);  // key of another
}

TEST_F(SslChannelTest, TheCaFileIsBoundedPinnedAndReplaced) {
  OpenSslChannelSetup setup(temp_.Child("app"));
  const std::string certificate = ReadFile(ca_.certificate);
  std::string path;
  std::string description;

  // One byte over the bound: refused, nothing written, nothing pinned.
  EXPECT_EQ(setup.WriteCaFile(std::string(2049, 'c'), "host", 1, &path, &description), 20009);
  EXPECT_EQ(description, kTextCaCertificateTooLong);
  EXPECT_TRUE(path.empty());
  EXPECT_FALSE(std::filesystem::exists(setup.PinFilePath("host", 1)));

  ASSERT_EQ(setup.WriteCaFile(certificate, "host", 1, &path, &description), 0) << description;
  EXPECT_EQ(description, "Completed");
  EXPECT_EQ(path.rfind(temp_.Child("app") + "/temp/CA_", 0), 0u) << path;
  EXPECT_EQ(ReadFile(path), certificate);
  EXPECT_EQ(ReadFile(setup.PinFilePath("host", 1)), certificate);

  // The same CA again: a new file replaces the old one.
  const std::string first = path;
  ASSERT_EQ(setup.WriteCaFile(certificate + std::string(1, '\0') + "after zero", "host", 1, &path,
                              &description),
            0);
  EXPECT_NE(path, first);
  EXPECT_FALSE(std::filesystem::exists(first));
  EXPECT_EQ(ReadFile(path), certificate);  // the bytes up to the first zero

  // Another CA for the pinned server is refused, naming the pin file; on
  // another port it is a server of its own.
  const std::string other = ReadFile(other_.certificate);
  EXPECT_EQ(setup.WriteCaFile(other, "host", 1, &path, &description), 20009);
  EXPECT_NE(description.find("\"" + setup.PinFilePath("host", 1) + "\""), std::string::npos)
      << description;
  EXPECT_EQ(setup.WriteCaFile(other, "host", 2, &path, &description), 0);
}

TEST_F(SslChannelTest, AFolderThatCannotBeMadeIsNamedInTheText) {
  std::ofstream(temp_.Child("file")) << "not a folder";
  OpenSslChannelSetup setup(temp_.Child("file"));
  std::string path;
  std::string description;
  EXPECT_NE(setup.WriteCaFile(ReadFile(ca_.certificate), "host", 1, &path, &description), 0);
  EXPECT_EQ(description, temp_.Child("file") + "/pinned does not exist.");
  EXPECT_TRUE(path.empty());
}

}  // namespace
}  // namespace qorv
