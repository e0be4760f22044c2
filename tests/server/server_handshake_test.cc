// The server's side of the handshake as a parser on buffers, and the
// client's parser reading what it answers.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "codec/byte_order.h"
#include "net/handshake.h"
#include "qorvsdk/result_codes.h"
#include "server/server_handshake.h"

namespace qorv::server {
namespace {

TEST(ServerHandshakeParser, AnswersTheMagicFedByteByByte) {
  ServerHandshake server("5.0,5.2", kEncryptionBlowfish);
  uint8_t opening[5];
  StoreBigEndian32(opening, kHandshakeMagic);
  opening[4] = 0x99;  // the first byte of a request frame
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(server.Feed(&opening[i], 1), 1u);
    EXPECT_FALSE(server.finished());
    EXPECT_TRUE(server.TakeOutgoing().empty());
  }
  EXPECT_EQ(server.Feed(&opening[3], 2), 1u);  // the frame's byte is not taken
  ASSERT_TRUE(server.finished());
  EXPECT_EQ(server.result(), kResultOk);
  const std::vector<uint8_t> answer = server.TakeOutgoing();
  EXPECT_EQ(answer, ServerHandshakeBytes("5.0,5.2", kEncryptionBlowfish));

  // The client's parser reads the whole answer and accepts it.
  ClientHandshake client(/*request_certificate=*/true);
  EXPECT_EQ(client.Feed(answer.data(), answer.size()), answer.size());
  ASSERT_TRUE(client.finished());
  EXPECT_EQ(client.result(), kResultOk);
  EXPECT_EQ(client.values().encryption_mode, kEncryptionBlowfish);
}

TEST(ServerHandshakeParser, ModeTwoSendsTheCaCertificateOnlyWhenAskedFor) {
  const std::string certificate = "-----BEGIN CERTIFICATE-----\nMIIB\n-----END CERTIFICATE-----\n";
  for (const bool ask : {true, false}) {
    SCOPED_TRACE(ask);
    ServerHandshake server("5.2", kEncryptionSsl, certificate);
    ClientHandshake client(/*request_certificate=*/ask);
    client.TakeOutgoing();  // its magic
    uint8_t magic[4];
    StoreBigEndian32(magic, kHandshakeMagic);
    server.Feed(magic, sizeof(magic));
    EXPECT_FALSE(server.finished());  // the client's request word is still to come
    std::vector<uint8_t> answer = server.TakeOutgoing();
    EXPECT_EQ(client.Feed(answer.data(), answer.size()), answer.size());
    ASSERT_TRUE(client.values_complete());
    const std::vector<uint8_t> request = client.TakeOutgoing();
    ASSERT_EQ(request.size(), 4u);
    EXPECT_EQ(LoadLittleEndian32(request.data()), ask ? 1u : 0u);
    server.Feed(request.data(), request.size());
    ASSERT_TRUE(server.finished());
    EXPECT_EQ(server.result(), kResultOk);
    answer = server.TakeOutgoing();
    EXPECT_EQ(answer.empty(), !ask);
    client.Feed(answer.data(), answer.size());
    ASSERT_TRUE(client.finished());
    EXPECT_EQ(client.result(), kResultOk);
    EXPECT_EQ(client.certificate(), ask ? certificate : "");
  }
}

TEST(ServerHandshakeParser, AClientRefusesACertificateLongerThan2048BytesOnItsCount) {
  ServerHandshake server("5.2", kEncryptionSsl, std::string(2049, 'c'));
  ClientHandshake client(/*request_certificate=*/true);
  client.TakeOutgoing();  // its magic
  uint8_t magic[4];
  StoreBigEndian32(magic, kHandshakeMagic);
  server.Feed(magic, sizeof(magic));
  std::vector<uint8_t> answer = server.TakeOutgoing();
  client.Feed(answer.data(), answer.size());
  const std::vector<uint8_t> request = client.TakeOutgoing();
  server.Feed(request.data(), request.size());
  answer = server.TakeOutgoing();
  // Only the count is read: the text itself is never taken in.
  EXPECT_EQ(client.Feed(answer.data(), answer.size()), 4u);
  ASSERT_TRUE(client.finished());
  EXPECT_EQ(client.result(), kResultSslConnectFailed);
}

TEST(ServerHandshakeParser, AnythingButTheMagicGetsNoAnswer) {
  ServerHandshake server("5.2", kEncryptionNone);
  const uint8_t request[] = {'G', 'E', 'T', ' '};
  EXPECT_EQ(server.Feed(request, sizeof(request)), 4u);
  EXPECT_TRUE(server.finished());
  EXPECT_EQ(server.result(), kResultNotThisProduct);
  EXPECT_TRUE(server.TakeOutgoing().empty());
  EXPECT_EQ(server.BytesWanted(), 0u);
}

}  // namespace
}  // namespace qorv::server
