// The server's side of the handshake as a parser on buffers, and the
// client's parser reading what it answers.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "net/byte_order.h"
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
