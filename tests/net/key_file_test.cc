// User key files: hand-made files with the checksum and the protected key
// computed independently (our MD4 over the documented concatenation,
// OpenSSL's Blowfish for the protection key), every failure text, the
// expiry grammar, and the choice of a key among several files.
#include "net/key_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "codec/md4.h"
#include "net/hex_text.h"
#include "net/openssl_reference.h"
#include "qorvsdk/result_codes.h"
#include "support/scoped_temp.h"

namespace qorv {
namespace {

constexpr ChannelKey kKey = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                             0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};

// The Key line for kKey, enciphered by OpenSSL under "fyrn" (our Blowfish
// takes block halves little-endian, OpenSSL big-endian).
std::string ReferenceKeyLine(const ChannelKey& key) {
  const std::vector<uint8_t> enciphered = testing::SwapHalves(testing::OpenSslBlowfishEcb(
      {'f', 'y', 'r', 'n'}, testing::SwapHalves({key.begin(), key.end()}), true));
  return HexTextEncode(enciphered.data(), enciphered.size());
}

std::string ReferenceHash(const std::vector<std::string>& values) {
  std::string text = "qzvkwm";
  for (const std::string& value : values) text += value;
  text += "tjxdp";
  Md4 md4;
  md4.Update(text.data(), text.size());
  uint8_t digest[16];
  md4.Final(digest);
  return HexTextEncode(digest, sizeof(digest));
}

// A key file made by hand: the six values, the hash over them unless given.
std::string HandMadeFile(const std::string& user, const std::string& server,
                         const std::string& expires, const std::string& key_line,
                         const char* line_end = "\r\n", std::string hash = "") {
  const std::vector<std::string> values = {user, "0", server, "1", expires, key_line};
  if (hash.empty()) hash = ReferenceHash(values);
  const char* labels[] = {"***UserName", "***IsCacheServer", "***ServerName", "***KeyFileTypeID",
                          "***Expires",  "***Key",           "***Hash"};
  std::string text;
  for (int i = 0; i < 7; ++i) {
    text += std::string(labels[i]) + line_end + (i < 6 ? values[i] : hash) + line_end;
  }
  return text;
}

TEST(KeyFileTest, AHandMadeFileYieldsItsUserServerKeyAndExpiry) {
  const std::string key_line = ReferenceKeyLine(kKey);
  for (const char* line_end : {"\r\n", "\n"}) {
    const KeyFileInfo info =
        ParseKeyFile(HandMadeFile("alice", "Build.Example", "2031/2/7", key_line, line_end), "f");
    ASSERT_TRUE(info.usable) << info.description;
    EXPECT_EQ(info.description, "Completed");
    EXPECT_EQ(info.user_name, "alice");
    EXPECT_EQ(info.server_name, "Build.Example");
    EXPECT_EQ(info.user_key, kKey);
    EXPECT_FALSE(info.never_expires);
    EXPECT_EQ(info.expires, 47886.0);  // 2031-02-07 00:00
  }
  // What the server writes is what a hand-made file says.
  KeyFileFields fields;
  fields.user_name = "alice";
  fields.cache_server_marker = "0";
  fields.server_name = "Build.Example";
  fields.key_file_type = "1";
  fields.expires = "2031/2/7";
  EXPECT_EQ(FormatKeyFile(fields, kKey),
            HandMadeFile("alice", "Build.Example", "2031/2/7", key_line));
}

TEST(KeyFileTest, EveryFaultMakesTheFileUnusableWithItsText) {
  const std::string key_line = ReferenceKeyLine(kKey);
  std::string text = HandMadeFile("alice", "s", "Never", key_line);

  // A checksum in lower-case hexadecimal is not the checksum.
  std::string lower = text;
  const size_t hash_at = lower.rfind("0x") + 2;
  for (size_t i = hash_at; i < lower.size(); ++i)
    lower[i] = static_cast<char>(std::tolower(lower[i]));
  EXPECT_EQ(ParseKeyFile(lower, "f").description, kTextKeyFileChecksumFailed);

  // Any changed value fails the checksum.
  std::string changed = text;
  changed.replace(changed.find("alice"), 5, "alicf");
  EXPECT_EQ(ParseKeyFile(changed, "f").description, kTextKeyFileChecksumFailed);

  // Labels are compared exactly.
  std::string label = text;
  label.replace(label.find("***Expires"), 10, "***expires");
  EXPECT_EQ(ParseKeyFile(label, "f").description, kTextKeyFileWrongFormat);

  // "never" is no date, and a valid checksum does not make it one.
  KeyFileInfo info = ParseKeyFile(HandMadeFile("alice", "s", "never", key_line), "f");
  EXPECT_FALSE(info.usable);
  EXPECT_EQ(info.description, kTextKeyFileWrongExpiry);

  // A Key line too short to hold a key, under a matching checksum.
  info = ParseKeyFile(HandMadeFile("alice", "s", "Never", "0x0123"), "f");
  EXPECT_FALSE(info.usable);
  EXPECT_EQ(info.description, kTextKeyFileWrongFormat);

  // A file that ends early, and one that cannot be opened.
  const std::string cut = text.substr(0, text.rfind("***Hash"));
  EXPECT_EQ(ParseKeyFile(cut, "short.key").description,
            std::string(kTextKeyFileReadError) + "short.key");
  EXPECT_EQ(ReadKeyFile("/nonexistent/alice.key").description,
            std::string(kTextKeyFileOpenError) + "/nonexistent/alice.key");
}

TEST(KeyFileTest, ExpiryGrammar) {
  bool never = false;
  double date = 0;
  ASSERT_TRUE(ParseKeyFileExpiry("Never", &never, &date));
  EXPECT_TRUE(never);
  ASSERT_TRUE(ParseKeyFileExpiry("2024/2/29", &never, &date));
  EXPECT_FALSE(never);
  EXPECT_EQ(date, 45351.0);
  ASSERT_TRUE(ParseKeyFileExpiry("1899/12/30", &never, &date));
  EXPECT_EQ(date, 0.0);
  ASSERT_TRUE(ParseKeyFileExpiry("2025/12/31", &never, &date));
  for (const char* bad :
       {"", "NEVER", "2023/2/29", "2025/13/1", "2025/0/1", "2025/1/0", "2025/1/123", "2025/123/1",
        "2025//1", "2025/1/", "25/1/1", "2025-1-1", "20x5/1/1", "2025/1/1 ", "0099/1/1"}) {
    EXPECT_FALSE(ParseKeyFileExpiry(bad, &never, &date)) << bad;
  }
}

TEST(KeyFileTest, LoginTakesTheFirstUsableFileForThisServerAndUser) {
  qorv::testing::ScopedTempFolder temp;
  ChannelKey other = kKey;
  other[15] = 0x01;
  KeyFileFields fields;
  fields.cache_server_marker = "0";
  fields.key_file_type = "1";
  fields.expires = "Never";
  auto write = [&](const std::string& name, const std::string& user, const std::string& server,
                   const ChannelKey& key) {
    fields.user_name = user;
    fields.server_name = server;
    qorv::testing::WriteTextFile(temp.Child(name), FormatKeyFile(fields, key));
    return temp.Child(name);
  };
  const std::string bob = write("bob.key", "bob", "host", other);
  const std::string first = write("first.key", "alice", "HOST", kKey);
  const std::string second = write("second.key", "alice", "host", other);
  const std::string broken = temp.Child("broken.key");
  qorv::testing::WriteTextFile(broken, "***UserName\r\nalice\r\n");

  EXPECT_EQ(ChooseUserKey({"", "  ", broken, bob, "  " + first + "\t", second}, "host", "Alice"),
            kKey);
  EXPECT_EQ(ChooseUserKey({second, first}, "host", "alice"), other);
  EXPECT_EQ(ChooseUserKey({first, second}, "otherhost", "alice"), ChannelKey{});
}

}  // namespace
}  // namespace qorv
