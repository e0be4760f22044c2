// Blowfish: the published ECB vectors, our little-endian block halves, zero
// padding, and agreement with OpenSSL's Blowfish.
#include "net/blowfish.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "net/openssl_reference.h"
#include "net/test_bytes.h"

namespace qorv {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::SwapHalves;

struct Vector {
  const char* key;
  const char* plain;
  const char* cipher;
};

// The published ECB vector set (8-byte keys, textbook big-endian halves).
constexpr Vector kVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
    {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
    {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
    {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
    {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
    {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
    {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
    {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
    {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
    {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
    {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
};

TEST(Blowfish, PublishedVectorsMatchOnlyWithHalvesByteReversed) {
  for (const Vector& v : kVectors) {
    SCOPED_TRACE(v.key);
    const std::vector<uint8_t> key = Bytes(v.key);
    Blowfish blowfish;
    blowfish.SetKey(key.data(), key.size());

    // Through the word interface the halves are plain numbers: the textbook
    // vector holds as published.
    const std::vector<uint8_t> plain = Bytes(v.plain);
    const std::vector<uint8_t> cipher = Bytes(v.cipher);
    uint32_t left = (uint32_t{plain[0]} << 24) | (plain[1] << 16) | (plain[2] << 8) | plain[3];
    uint32_t right = (uint32_t{plain[4]} << 24) | (plain[5] << 16) | (plain[6] << 8) | plain[7];
    blowfish.EncipherWords(&left, &right);
    uint8_t words[8];
    for (int i = 0; i < 4; ++i) {
      words[i] = static_cast<uint8_t>(left >> (24 - 8 * i));
      words[4 + i] = static_cast<uint8_t>(right >> (24 - 8 * i));
    }
    EXPECT_EQ(Hex(words, 8), Hex(cipher));

    // On bytes, our block halves are little-endian: the vector holds once
    // each half is byte-reversed before and after.
    std::vector<uint8_t> block = SwapHalves(plain);
    EXPECT_EQ(blowfish.Encipher(block.data(), block.data(), 8), 8u);
    EXPECT_EQ(Hex(SwapHalves(block)), Hex(cipher));
    blowfish.Decipher(block.data(), block.data(), 8);
    EXPECT_EQ(Hex(SwapHalves(block)), Hex(plain));

    // Without the reversal the bytes differ from the textbook answer (unless
    // the block is symmetric in each half).
    std::vector<uint8_t> unswapped = plain;
    blowfish.Encipher(unswapped.data(), unswapped.data(), 8);
    if (SwapHalves(plain) != plain) {
      EXPECT_NE(Hex(unswapped), Hex(cipher));
    }
  }
}

TEST(Blowfish, PaddedLengthsAndZeroPadding) {
  const uint8_t key[16] = {'7', 'K', 'q', 'P', '2', 'm', 'Z', 'x',
                           '9', 'L', 't', 'R', '4', 's', 'W', 'b'};
  Blowfish blowfish;
  blowfish.SetKey(key, sizeof(key));

  uint8_t source[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  uint8_t out[16];
  std::memset(out, 0xEE, sizeof(out));
  EXPECT_EQ(blowfish.Encipher(source, out, 0), 0u);
  EXPECT_EQ(out[0], 0xEE);  // nothing written
  EXPECT_EQ(blowfish.Encipher(source, out, 8), 8u);
  EXPECT_EQ(out[8], 0xEE);  // no padding block for a whole block

  // 9 bytes: the second block is the ninth byte and 7 zero bytes.
  EXPECT_EQ(blowfish.Encipher(source, out, 9), 16u);
  uint8_t explicit_padding[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 0, 0, 0};
  uint8_t expected[16];
  blowfish.Encipher(explicit_padding, expected, 16);
  EXPECT_EQ(Hex(out, 16), Hex(expected, 16));

  // Deciphering keeps the padding.
  uint8_t back[16];
  blowfish.Decipher(out, back, 16);
  EXPECT_EQ(Hex(back, 16), Hex(explicit_padding, 16));

  // ECB: equal blocks give equal cipher blocks (no chaining).
  uint8_t twice[16] = {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8};
  blowfish.Encipher(twice, twice, 16);
  EXPECT_EQ(0, std::memcmp(twice, twice + 8, 8));

  // A partial last block given to Decipher writes only its own bytes.
  uint8_t partial[12];
  std::memset(partial, 0x55, sizeof(partial));
  blowfish.Decipher(out, partial, 11);
  EXPECT_EQ(partial[11], 0x55);
  EXPECT_EQ(Hex(partial, 8), Hex(back, 8));
}

TEST(Blowfish, AgreesWithOpenSslForLongKeysAndData) {
  std::mt19937 random(20261207);
  for (size_t key_length : {4u, 16u, 56u}) {
    SCOPED_TRACE(key_length);
    std::vector<uint8_t> key(key_length);
    for (auto& b : key) b = static_cast<uint8_t>(random());
    std::vector<uint8_t> data(8 * 37);
    for (auto& b : data) b = static_cast<uint8_t>(random());

    Blowfish blowfish;
    blowfish.SetKey(key.data(), key.size());
    std::vector<uint8_t> ours(data.size());
    ASSERT_EQ(blowfish.Encipher(data.data(), ours.data(), data.size()), data.size());

    const std::vector<uint8_t> theirs =
        testing::OpenSslBlowfishEcb(key, SwapHalves(data), /*encipher=*/true);
    ASSERT_EQ(theirs.size(), data.size()) << "OpenSSL's legacy provider is missing";
    EXPECT_EQ(Hex(SwapHalves(ours)), Hex(theirs));
  }
}

}  // namespace
}  // namespace qorv
