// DES, the 7-byte key expansion, and the LM/NT hashes and NTLM v1 responses
// of the published NTLM examples (user "User", password "Password").
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "net/des.h"
#include "net/ntlm_hash.h"
#include "net/openssl_reference.h"
#include "net/test_bytes.h"

namespace qorv {
namespace {

using testing::Bytes;
using testing::Hex;

std::string DesOf(const char* key_hex, const char* plain_hex) {
  std::vector<uint8_t> key = Bytes(key_hex);
  std::vector<uint8_t> block = Bytes(plain_hex);
  Des des;
  des.SetKey(key.data());
  des.EncipherBlock(block.data());
  return Hex(block);
}

TEST(Des, PublishedVectors) {
  EXPECT_EQ(DesOf("133457799BBCDFF1", "0123456789ABCDEF"), "85e813540f0ab405");
  EXPECT_EQ(DesOf("0123456789ABCDEF", "0123456789ABCDE7"), "c95744256a5ed31d");
  EXPECT_EQ(DesOf("0E329232EA6D0D73", "8787878787878787"), "0000000000000000");
}

TEST(Des, AgreesWithOpenSsl) {
  std::mt19937 random(3);
  for (int round = 0; round < 50; ++round) {
    std::vector<uint8_t> key(8), block(8);
    for (auto& b : key) b = static_cast<uint8_t>(random());
    for (auto& b : block) b = static_cast<uint8_t>(random());
    const std::vector<uint8_t> theirs = testing::OpenSslDesEcb(key, block);
    ASSERT_EQ(theirs.size(), 8u) << "OpenSSL's legacy provider is missing";
    Des des;
    des.SetKey(key.data());
    des.EncipherBlock(block.data());
    EXPECT_EQ(Hex(block), Hex(theirs));
  }
}

TEST(Des, KeyFrom7BytesSpreadsSevenBitsPerByte) {
  uint8_t key[8];
  const uint8_t ones[7] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  Des::KeyFrom7Bytes(ones, key);
  EXPECT_EQ(Hex(key, 8), "fefefefefefefefe");  // parity bits left zero

  // One set bit walks through the output as the 56 key bits are laid out.
  for (int bit = 0; bit < 56; ++bit) {
    uint8_t input[7] = {};
    input[bit / 8] = static_cast<uint8_t>(0x80 >> (bit % 8));
    Des::KeyFrom7Bytes(input, key);
    for (int i = 0; i < 8; ++i) {
      const uint8_t expected = i == bit / 7 ? static_cast<uint8_t>(0x80 >> (bit % 7)) : 0;
      EXPECT_EQ(key[i], expected) << "bit " << bit << " byte " << i;
    }
  }
}

TEST(Ntlm, PublishedHashesAndResponses) {
  const std::vector<uint8_t> challenge = Bytes("0123456789abcdef");
  uint8_t hash[16];
  ASSERT_TRUE(LmHash("Password", hash));
  EXPECT_EQ(Hex(hash, 16), "e52cac67419a9a224a3b108f3fa6cb6d");
  NtHash("Password", hash);
  EXPECT_EQ(Hex(hash, 16), "a4f49c406510bdcab6824ee7c30fd852");

  uint8_t response[24];
  NtlmResponse(NtlmHashKind::kNt, "Password", challenge.data(), response);
  EXPECT_EQ(Hex(response, 24), "67c43011f30298a2ad35ece64f16331c44bdbed927841f94");
  NtlmResponse(NtlmHashKind::kLm, "Password", challenge.data(), response);
  EXPECT_EQ(Hex(response, 24), "98def7b87f88aa5dafe2df779688a172def11c7d5ccdef13");

  // The LM hash of the empty password is the well-known constant.
  ASSERT_TRUE(LmHash("", hash));
  EXPECT_EQ(Hex(hash, 16), "aad3b435b51404eeaad3b435b51404ee");
}

TEST(Ntlm, LmHashUpperCasesAsciiOnlyAndStopsAt15Bytes) {
  uint8_t lower[16], upper[16];
  ASSERT_TRUE(LmHash("password", lower));
  ASSERT_TRUE(LmHash("PASSWORD", upper));
  EXPECT_EQ(Hex(lower, 16), Hex(upper, 16));

  // Only a-z change: a UTF-8 letter keeps its bytes, so its case matters.
  ASSERT_TRUE(LmHash("\xC3\xA9", lower));  // e-acute
  ASSERT_TRUE(LmHash("\xC3\x89", upper));  // E-acute
  EXPECT_NE(Hex(lower, 16), Hex(upper, 16));

  uint8_t hash[16] = {};
  EXPECT_TRUE(LmHash("abcdefghijklmn", hash));    // 14 bytes
  EXPECT_FALSE(LmHash("abcdefghijklmno", hash));  // 15 bytes

  const uint8_t challenge[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  uint8_t response[24];
  NtlmResponse(NtlmHashKind::kLm, "abcdefghijklmno", challenge, response);
  EXPECT_EQ(Hex(response, 24), std::string(48, '0'));
  NtlmResponse(NtlmHashKind::kNt, "abcdefghijklmno", challenge, response);
  EXPECT_NE(Hex(response, 24), std::string(48, '0'));
}

TEST(Ntlm, NtHashWidensMultibyteTextToUtf16) {
  // "\xC3\xA9" is one character, hashed as the two bytes E9 00 (MD4 of those
  // two bytes as OpenSSL computes it).
  uint8_t from_utf8[16];
  NtHash("\xC3\xA9", from_utf8);
  EXPECT_EQ(Hex(from_utf8, 16), "e77286d072c7858e9110cc3a011d2ac8");
}

}  // namespace
}  // namespace qorv
