// Command 49: the password and the user key enciphered with Blowfish,
// checked against OpenSSL's Blowfish (textbook byte order, so each 4-byte
// half is reversed before and after).
#include <gtest/gtest.h>

#include <vector>

#include "net/openssl_reference.h"
#include "protocol/command_test_support.h"
#include "protocol/session_commands.h"

namespace qorv {
namespace {

using testing::HexOf;
using testing::OpenSslBlowfishEcb;
using testing::RequestHex;
using testing::SwapHalves;
using testing::Wire;

const ChannelKey kUserKey = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                             0xF0, 0xE1, 0xD2, 0xC3, 0xB4, 0xA5, 0x96, 0x87};

std::vector<uint8_t> ReferenceEncipher(std::vector<uint8_t> plain) {
  const std::vector<uint8_t> key(kUserKey.begin(), kUserKey.end());
  plain.resize((plain.size() + 7) / 8 * 8, 0);  // zero padding to whole blocks
  if (plain.empty()) return plain;
  const std::vector<uint8_t> enciphered = OpenSslBlowfishEcb(key, SwapHalves(plain), true);
  EXPECT_EQ(enciphered.size(), plain.size()) << "OpenSSL's legacy Blowfish is not available";
  return SwapHalves(enciphered);
}

KeyedLoginCommand Login(const std::string& password) {
  KeyedLoginCommand login;
  login.database = "main";
  login.user_name = "alice";
  login.server_name = "vss.example";
  login.encryption_mode = 1;
  login.password = password;
  login.user_key = kUserKey;
  return login;
}

Wire Head(int32_t password_length) {
  return Wire()
      .Byte(0x31)
      .Str("main")
      .Str("alice")
      .Str("vss.example")
      .Int32(1)
      .Int32(password_length);
}

TEST(KeyedLogin, EmptyPasswordSendsLengthZeroAndOnlyTheEncipheredKey) {
  const std::vector<uint8_t> key_proof =
      ReferenceEncipher(std::vector<uint8_t>(kUserKey.begin(), kUserKey.end()));
  EXPECT_EQ(RequestHex(Login("")), HexOf(Head(0).Raw(key_proof)));
}

TEST(KeyedLogin, PasswordIsZeroPaddedToWholeBlocks) {
  const std::vector<uint8_t> key_proof =
      ReferenceEncipher(std::vector<uint8_t>(kUserKey.begin(), kUserKey.end()));
  // 8 bytes stay one block; 9 bytes become two.
  for (const std::string password : {"12345678", "123456789"}) {
    const std::vector<uint8_t> enciphered =
        ReferenceEncipher(std::vector<uint8_t>(password.begin(), password.end()));
    ASSERT_EQ(enciphered.size(), password.size() == 8 ? 8u : 16u);
    EXPECT_EQ(RequestHex(Login(password)),
              HexOf(Head(static_cast<int32_t>(password.size())).Raw(enciphered).Raw(key_proof)))
        << password;
  }
}

TEST(KeyedLogin, ReplyIsTheLoginReply) {
  KeyedLoginCommand login = Login("x");
  const ReplyStatus status =
      testing::ParseWhole(login, Wire().Status(0, "Completed").Bool(true).Int32(14).Int32(99));
  EXPECT_EQ(status.status, kResultOk);
  EXPECT_TRUE(login.reply.must_change_password);
  EXPECT_EQ(login.reply.expire_days, 14);
  EXPECT_EQ(login.reply.login_identity, 99);
}

}  // namespace
}  // namespace qorv
