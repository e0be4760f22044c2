// The SOCKS exchanges on buffers: the bytes each request carries, every
// refusal code, and replies fed whole or one byte at a time.
#include "net/socks_exchange.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qorvsdk/result_codes.h"
#include "test_bytes.h"

namespace qorv {
namespace {

using testing::Bytes;

// 127.0.0.1 as it lies in memory in network order.
constexpr uint32_t kLoopback = 0x0100007F;

// Feeds `reply` in pieces of `piece` bytes, asking for no more than the
// exchange wants; returns how many bytes it took.
size_t FeedInPieces(ByteExchange& exchange, const std::vector<uint8_t>& reply, size_t piece) {
  size_t done = 0;
  while (done < reply.size() && !exchange.finished()) {
    const size_t size = std::min({piece, reply.size() - done, exchange.BytesWanted()});
    done += exchange.Feed(reply.data() + done, size);
  }
  return done;
}

TEST(Socks4ExchangeTest, SendsNineBytesAndGrantsOnlyOnCode90) {
  for (const size_t piece : {size_t{1}, size_t{8}}) {
    Socks4Exchange exchange(kLoopback, 0x1F90);
    EXPECT_EQ(exchange.TakeOutgoing(), Bytes("04 01 1F90 7F000001 00"));
    EXPECT_EQ(exchange.BytesWanted(), 8u);
    EXPECT_EQ(FeedInPieces(exchange, Bytes("00 5A 0000 00000000"), piece), 8u);
    ASSERT_TRUE(exchange.finished());
    EXPECT_EQ(exchange.result(), kResultOk);
    EXPECT_EQ(exchange.BytesWanted(), 0u);
  }
  // Rejected, no identd, identd mismatch, and a code outside the protocol.
  for (const uint8_t code : {91, 92, 93, 0}) {
    Socks4Exchange exchange(kLoopback, 80);
    std::vector<uint8_t> reply = Bytes("00 00 0000 00000000");
    reply[1] = code;
    FeedInPieces(exchange, reply, 3);
    ASSERT_TRUE(exchange.finished());
    EXPECT_EQ(exchange.result(), kResultProxyBadResponse) << int{code};
    EXPECT_NE(exchange.failure_text().find("SOCKS4"), std::string::npos);
  }
}

TEST(Socks5MethodExchangeTest, GreetingFollowsTheAuthenticationFlag) {
  Socks5MethodExchange plain(false, "", "");
  EXPECT_EQ(plain.TakeOutgoing(), Bytes("05 01 00"));
  FeedInPieces(plain, Bytes("05 00"), 1);
  EXPECT_TRUE(plain.finished());
  EXPECT_EQ(plain.result(), kResultOk);

  // The proxy may choose "no authentication" although credentials are offered:
  // nothing more is sent.
  Socks5MethodExchange offered(true, "user", "secret");
  EXPECT_EQ(offered.TakeOutgoing(), Bytes("05 02 00 02"));
  FeedInPieces(offered, Bytes("05 00"), 2);
  EXPECT_TRUE(offered.finished());
  EXPECT_EQ(offered.result(), kResultOk);
  EXPECT_TRUE(offered.TakeOutgoing().empty());
}

TEST(Socks5MethodExchangeTest, UserNameAndPasswordSubNegotiation) {
  Socks5MethodExchange exchange(true, "ab", "xyz");
  exchange.TakeOutgoing();
  FeedInPieces(exchange, Bytes("05 02"), 1);
  EXPECT_FALSE(exchange.finished());
  EXPECT_EQ(exchange.TakeOutgoing(), Bytes("01 02 6162 03 78797A"));
  EXPECT_EQ(exchange.BytesWanted(), 2u);
  FeedInPieces(exchange, Bytes("01 00"), 1);
  EXPECT_TRUE(exchange.finished());
  EXPECT_EQ(exchange.result(), kResultOk);

  Socks5MethodExchange refused(true, "ab", "wrong");
  refused.TakeOutgoing();
  FeedInPieces(refused, Bytes("05 02 01 01"), 4);
  EXPECT_TRUE(refused.finished());
  EXPECT_EQ(refused.result(), kResultProxyAuthFailed);
  EXPECT_EQ(refused.failure_text().find("wrong"), std::string::npos);

  // Lengths are the low 8 bits of the byte counts; the texts are cut to them.
  const std::string long_user(300, 'u');
  Socks5MethodExchange cut(true, long_user, "p");
  cut.TakeOutgoing();
  FeedInPieces(cut, Bytes("05 02"), 2);
  const std::vector<uint8_t> request = cut.TakeOutgoing();
  ASSERT_EQ(request.size(), 3u + 44u + 1u);
  EXPECT_EQ(request[1], 44);
  EXPECT_EQ(request[2 + 44], 1);
}

TEST(Socks5MethodExchangeTest, RefusalsOfTheMethodReply) {
  struct Case {
    bool authenticate;
    const char* reply;
    int32_t result;
  };
  const Case cases[] = {
      {false, "04 00", kResultProxyAuthFailed},  // wrong version, no credentials
      {true, "04 00", kResultProxyBadResponse},  // wrong version, credentials offered
      {false, "05 FF", kResultProxyAuthFailed},  // no acceptable method
      {true, "05 FF", kResultProxyAuthFailed},   //
      {false, "05 02", kResultProxyAuthFailed},  // a method that was not offered
      {true, "05 01", kResultProxyAuthFailed},   // GSSAPI, not offered
  };
  for (const Case& c : cases) {
    Socks5MethodExchange exchange(c.authenticate, "user", "pw");
    FeedInPieces(exchange, Bytes(c.reply), 1);
    ASSERT_TRUE(exchange.finished()) << c.reply;
    EXPECT_EQ(exchange.result(), c.result) << c.reply << " flag " << c.authenticate;
    EXPECT_NE(exchange.failure_text().find("SOCKS5"), std::string::npos);
  }
}

TEST(Socks5ConnectExchangeTest, RequestAndEveryRefusalCode) {
  Socks5ConnectExchange exchange(kLoopback, 443);
  EXPECT_EQ(exchange.TakeOutgoing(), Bytes("05 01 00 01 7F000001 01BB"));
  // General failure, not allowed, network / host unreachable, refused, TTL
  // expired, command and address type not supported, and an unassigned code.
  for (int code = 1; code <= 9; ++code) {
    Socks5ConnectExchange refused(kLoopback, 443);
    std::vector<uint8_t> reply = Bytes("05 00 00 01 00000000 0000");
    reply[1] = static_cast<uint8_t>(code);
    FeedInPieces(refused, reply, 1);
    ASSERT_TRUE(refused.finished());
    EXPECT_EQ(refused.result(), kResultProxyBadResponse) << code;
  }
  Socks5ConnectExchange version(kLoopback, 443);
  FeedInPieces(version, Bytes("04 00 00 01 00000000 0000"), 10);
  EXPECT_EQ(version.result(), kResultProxyBadResponse);
}

TEST(Socks5ConnectExchangeTest, ReadsTheBoundAddressOfEachTypeAndNoMore) {
  struct Case {
    const char* reply;  // a granted reply followed by 3 bytes of the server
    size_t length;
  };
  const Case cases[] = {
      {"05 00 00 01 0A000001 1F90 AABBCC", 10},
      {"05 00 00 03 09 70726F78792E6C616E 1F90 AABBCC", 16},
      {"05 00 00 04 00000000000000000000000000000001 1F90 AABBCC", 22},
      {"05 00 00 03 00 1F90 AABBCC", 7},
  };
  for (const Case& c : cases) {
    for (const size_t piece : {size_t{1}, size_t{64}}) {
      Socks5ConnectExchange exchange(kLoopback, 80);
      const std::vector<uint8_t> reply = Bytes(c.reply);
      EXPECT_EQ(FeedInPieces(exchange, reply, piece), c.length) << c.reply;
      ASSERT_TRUE(exchange.finished());
      EXPECT_EQ(exchange.result(), kResultOk);
      // Fed past its end in one piece, it takes only its own bytes.
      Socks5ConnectExchange whole(kLoopback, 80);
      size_t taken = 0;
      while (!whole.finished()) taken += whole.Feed(reply.data() + taken, reply.size() - taken);
      EXPECT_EQ(taken, c.length);
    }
  }
  Socks5ConnectExchange unknown(kLoopback, 80);
  FeedInPieces(unknown, Bytes("05 00 00 07 00000000 0000"), 1);
  EXPECT_EQ(unknown.result(), kResultProxyBadResponse);
  EXPECT_NE(unknown.failure_text().find("address type 7"), std::string::npos);
}

}  // namespace
}  // namespace qorv
