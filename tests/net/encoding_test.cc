// base64 and the hex text of key files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/base64.h"
#include "net/hex_text.h"

namespace qorv {
namespace {

std::string Decoded(std::string_view text) {
  std::vector<uint8_t> bytes;
  if (!Base64Decode(text, &bytes)) return "<refused>";
  return std::string(bytes.begin(), bytes.end());
}

TEST(Base64, Rfc4648Vectors) {
  const char* const kPairs[][2] = {{"", ""},
                                   {"f", "Zg=="},
                                   {"fo", "Zm8="},
                                   {"foo", "Zm9v"},
                                   {"foob", "Zm9vYg=="},
                                   {"fooba", "Zm9vYmE="},
                                   {"foobar", "Zm9vYmFy"}};
  for (const auto& pair : kPairs) {
    EXPECT_EQ(Base64Encode(pair[0]), pair[1]);
    EXPECT_EQ(Decoded(pair[1]), pair[0]);
  }
  // The whole alphabet, including "+" and "/", and all byte values.
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  const std::string encoded = Base64Encode(all);
  EXPECT_EQ(encoded.find_first_of("\r\n "), std::string::npos);  // never line breaks
  EXPECT_EQ(Decoded(encoded), all);
  EXPECT_EQ(Base64Encode("\xfb\xff"), "+/8=");
  EXPECT_EQ(Base64Encode(":"), "Og==");  // an empty user name and password
}

TEST(Base64, DecodingSkipsWhiteSpaceAndStopsGroupsAtPadding) {
  EXPECT_EQ(Decoded("Zm9v\r\nYmFy"), "foobar");
  EXPECT_EQ(Decoded(" Zm 9v\tYm\x0b"
                    "Fy\x0c\n"),
            "foobar");
  // "=" ends a group; a following group starts afresh.
  EXPECT_EQ(Decoded("Zg==Zm8="), "ffo");
  // An unpadded tail decodes as far as it carries whole bytes.
  EXPECT_EQ(Decoded("Zm8"), "fo");
  // Characters outside the alphabet, and a lone sextet, are refused.
  EXPECT_EQ(Decoded("Zm9v!"), "<refused>");
  EXPECT_EQ(Decoded("Zm9vY"), "<refused>");
  EXPECT_EQ(Decoded("Z==="), "<refused>");
}

TEST(HexText, UpperCasePairsAndLast32CharacterDecoding) {
  const uint8_t key[16] = {0x00, 0x01, 0xAB, 0xFF, 0x10, 0x9C, 0x5A, 0xE7,
                           0x80, 0x7F, 0x33, 0xCD, 0x02, 0x20, 0xDE, 0xAD};
  const std::string text = HexTextEncode(key, 16);
  EXPECT_EQ(text, "0x0001ABFF109C5AE7807F33CD0220DEAD");
  uint8_t back[16];
  ASSERT_TRUE(HexTextDecode16(text, back));
  EXPECT_EQ(0, std::memcmp(back, key, 16));

  // Only the last 32 characters count: any prefix is ignored.
  ASSERT_TRUE(HexTextDecode16("garbage" + text.substr(2), back));
  EXPECT_EQ(0, std::memcmp(back, key, 16));

  // Lower-case and other characters count as 0.
  ASSERT_TRUE(HexTextDecode16("0xab" + std::string(30, 'F'), back));
  EXPECT_EQ(back[0], 0x00);
  EXPECT_EQ(back[1], 0xFF);
  ASSERT_TRUE(HexTextDecode16("0xG1" + std::string(30, '0'), back));
  EXPECT_EQ(back[0], 0x01);

  // Too short to hold 16 bytes: refused, nothing written.
  uint8_t untouched[16] = {7};
  EXPECT_FALSE(HexTextDecode16("0x0001ABFF", untouched));
  EXPECT_EQ(untouched[0], 7);
}

}  // namespace
}  // namespace qorv
