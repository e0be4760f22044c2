// The primitives behind stored passwords, against published vectors: a
// store written by one build must be readable by the other (OpenSSL here,
// the system's CNG on Windows, checked there by the Windows client test).
#include "server/server_crypto.h"

#include <gtest/gtest.h>

#include <string>

namespace qorv::server {
namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char c : bytes) {
    text.push_back(kDigits[c >> 4]);
    text.push_back(kDigits[c & 15]);
  }
  return text;
}

TEST(ServerCryptoTest, DigestsMatchPublishedVectors) {
  std::string digest;
  ASSERT_TRUE(Sha256Digest("abc", &digest));
  EXPECT_EQ(Hex(digest), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // RFC 7914, section 11: the first 32 bytes of its PBKDF2-HMAC-SHA256 keys.
  ASSERT_TRUE(Pbkdf2HmacSha256("passwd", "salt", 1, &digest));
  EXPECT_EQ(Hex(digest), "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc");
  ASSERT_TRUE(Pbkdf2HmacSha256("Password", "NaCl", 80000, &digest));
  EXPECT_EQ(Hex(digest), "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56");
  EXPECT_FALSE(Pbkdf2HmacSha256("passwd", "salt", 0, &digest));
}

TEST(ServerCryptoTest, ComparisonAndRandomBytes) {
  EXPECT_TRUE(SameBytes(std::string("a\0b", 3), std::string("a\0b", 3)));
  EXPECT_FALSE(SameBytes(std::string("a\0b", 3), std::string("a\0c", 3)));
  EXPECT_FALSE(SameBytes("abc", "ab"));
  std::string first(32, '\0');
  std::string second(32, '\0');
  ASSERT_TRUE(RandomBytes(first.data(), first.size()));
  ASSERT_TRUE(RandomBytes(second.data(), second.size()));
  EXPECT_NE(first, second);
  EXPECT_NE(first, std::string(32, '\0'));
}

}  // namespace
}  // namespace qorv::server
