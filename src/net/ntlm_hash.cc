#include "net/ntlm_hash.h"

#include <cstring>
#include <string>

#include "codec/md4.h"
#include "net/des.h"
#include "platform/com/text_convert.h"

namespace qorv {
namespace {

// The text each half of the LM hash enciphers.
constexpr uint8_t kLmConstant[8] = {'K', 'G', 'S', '!', '@', '#', '$', '%'};

// Enciphers `block` (8 bytes, copied to `out`) under the DES key made from 7
// key bytes.
void EncipherUnder7ByteKey(const uint8_t key7[7], const uint8_t block[8], uint8_t out[8]) {
  uint8_t key[8];
  Des::KeyFrom7Bytes(key7, key);
  Des des;
  des.SetKey(key);
  std::memcpy(out, block, 8);
  des.EncipherBlock(out);
}

}  // namespace

bool LmHash(std::string_view password, uint8_t hash[kNtlmHashSize]) {
  if (password.size() >= kLmPasswordLimit) return false;
  uint8_t text[14] = {};
  for (size_t i = 0; i < password.size(); ++i) {
    const char c = password[i];
    text[i] = static_cast<uint8_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  EncipherUnder7ByteKey(text, kLmConstant, hash);
  EncipherUnder7ByteKey(text + 7, kLmConstant, hash + 8);
  return true;
}

void NtHash(std::string_view password, uint8_t hash[kNtlmHashSize]) {
  const std::u16string wide = Utf8ToUtf16(password);
  std::string bytes;
  bytes.reserve(wide.size() * 2);
  for (const char16_t unit : wide) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  Md4 md4;
  md4.Update(bytes.data(), bytes.size());
  md4.Final(hash);
}

void NtlmResponse(NtlmHashKind kind, std::string_view password,
                  const uint8_t challenge[kNtlmChallengeSize],
                  uint8_t response[kNtlmResponseSize]) {
  uint8_t keys[21] = {};  // the hash, then 5 zero bytes
  if (kind == NtlmHashKind::kLm) {
    if (!LmHash(password, keys)) {
      std::memset(response, 0, kNtlmResponseSize);
      return;
    }
  } else {
    NtHash(password, keys);
  }
  for (int i = 0; i < 3; ++i) EncipherUnder7ByteKey(keys + 7 * i, challenge, response + 8 * i);
}

}  // namespace qorv
