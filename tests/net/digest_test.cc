// MD4 and MD5 against the RFC vectors, piecewise feeding, and the file
// digest helper.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "codec/md4.h"
#include "net/md5.h"
#include "net/test_bytes.h"

namespace qorv {
namespace {

using testing::Hex;

template <typename Hash>
std::string DigestOf(const std::string& text) {
  Hash hash;
  hash.Update(text.data(), text.size());
  uint8_t digest[16];
  hash.Final(digest);
  return Hex(digest, 16);
}

const char kDigits80[] =
    "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
const char kAlnum[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

TEST(Md4, Rfc1320Vectors) {
  EXPECT_EQ(DigestOf<Md4>(""), "31d6cfe0d16ae931b73c59d7e0c089c0");
  EXPECT_EQ(DigestOf<Md4>("a"), "bde52cb31de33e46245e05fbdbd6fb24");
  EXPECT_EQ(DigestOf<Md4>("abc"), "a448017aaf21d8525fc10ae87aa6729d");
  EXPECT_EQ(DigestOf<Md4>("message digest"), "d9130a8164549fe818874806e1c7014b");
  EXPECT_EQ(DigestOf<Md4>("abcdefghijklmnopqrstuvwxyz"), "d79e1c308aa5bbcdeea8ed63df412da9");
  EXPECT_EQ(DigestOf<Md4>(kAlnum), "043f8582f241db351ce627e153e7f0e4");
  EXPECT_EQ(DigestOf<Md4>(kDigits80), "e33b4ddc9c38f2199c3e7b164fcc0536");
}

TEST(Md5, Rfc1321Vectors) {
  EXPECT_EQ(DigestOf<Md5>(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(DigestOf<Md5>("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(DigestOf<Md5>("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(DigestOf<Md5>("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(DigestOf<Md5>("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(DigestOf<Md5>(kAlnum), "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(DigestOf<Md5>(kDigits80), "57edf4a22be3c955ac49da2e2107b67a");
}

// Lengths around the 56-byte padding boundary and pieces of every size must
// give the digest of the whole.
template <typename Hash>
void ExpectPiecesEqualWhole() {
  std::mt19937 random(7);
  std::string data(1000, '\0');
  for (char& c : data) c = static_cast<char>(random());
  for (size_t length : {0u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
    const std::string whole = DigestOf<Hash>(data.substr(0, length));
    for (size_t piece : {1u, 3u, 63u, 64u, 65u, 200u}) {
      Hash hash;
      for (size_t offset = 0; offset < length; offset += piece) {
        hash.Update(data.data() + offset, std::min(piece, length - offset));
      }
      uint8_t digest[16];
      hash.Final(digest);
      EXPECT_EQ(Hex(digest, 16), whole) << "length " << length << " piece " << piece;
    }
  }
}

TEST(Md4, PiecesGiveTheDigestOfTheWhole) { ExpectPiecesEqualWhole<Md4>(); }
TEST(Md5, PiecesGiveTheDigestOfTheWhole) { ExpectPiecesEqualWhole<Md5>(); }

TEST(Md5, FileDigestReadsEveryPiece) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("qorv_md5_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".bin");
  // Two whole pieces and a partial third, so the piece loop and its end both run.
  std::string content(2 * kFileDigestPieceSize + 1234, '\0');
  std::mt19937 random(11);
  for (char& c : content) c = static_cast<char>(random());
  {
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
  }
  uint8_t digest[16];
  const int status = Md5OfFile(path.string(), digest);
  std::filesystem::remove(path);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(Hex(digest, 16), DigestOf<Md5>(content));

  uint8_t untouched[16] = {};
  EXPECT_NE(Md5OfFile(path.string(), untouched), 0);  // removed above
  EXPECT_EQ(Hex(untouched, 16), std::string(32, '0'));
}

}  // namespace
}  // namespace qorv
