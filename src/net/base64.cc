#include "net/base64.h"

#include <array>

namespace qorv {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Decoding table built at compile time (no shared state to initialise):
// 0-63 for the alphabet, kSkip for white space, kPad for "=", kInvalid else.
constexpr uint8_t kInvalid = 0xFF;
constexpr uint8_t kSkip = 0xFE;
constexpr uint8_t kPad = 0xFD;

constexpr std::array<uint8_t, 256> MakeDecodeTable() {
  std::array<uint8_t, 256> table{};
  for (auto& entry : table) entry = kInvalid;
  for (uint8_t i = 0; i < 64; ++i) table[static_cast<uint8_t>(kAlphabet[i])] = i;
  for (int c = 9; c <= 13; ++c) table[c] = kSkip;
  table[' '] = kSkip;
  table['='] = kPad;
  return table;
}

constexpr std::array<uint8_t, 256> kDecodeTable = MakeDecodeTable();

// Appends the whole bytes carried by `count` sextets (0 to 4) in `group`.
// A single sextet carries none and is refused.
bool FlushGroup(uint32_t group, int count, std::vector<uint8_t>* bytes) {
  switch (count) {
    case 0:
      return true;
    case 1:
      return false;
    case 2:
      bytes->push_back(static_cast<uint8_t>(group >> 4));
      return true;
    case 3:
      bytes->push_back(static_cast<uint8_t>(group >> 10));
      bytes->push_back(static_cast<uint8_t>(group >> 2));
      return true;
    default:
      bytes->push_back(static_cast<uint8_t>(group >> 16));
      bytes->push_back(static_cast<uint8_t>(group >> 8));
      bytes->push_back(static_cast<uint8_t>(group));
      return true;
  }
}

}  // namespace

std::string Base64Encode(const uint8_t* data, size_t length) {
  std::string text;
  text.reserve((length + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= length; i += 3) {
    const uint32_t group = (static_cast<uint32_t>(data[i]) << 16) |
                           (static_cast<uint32_t>(data[i + 1]) << 8) | data[i + 2];
    text.push_back(kAlphabet[group >> 18]);
    text.push_back(kAlphabet[(group >> 12) & 0x3F]);
    text.push_back(kAlphabet[(group >> 6) & 0x3F]);
    text.push_back(kAlphabet[group & 0x3F]);
  }
  const size_t rest = length - i;
  if (rest > 0) {
    uint32_t group = static_cast<uint32_t>(data[i]) << 16;
    if (rest == 2) group |= static_cast<uint32_t>(data[i + 1]) << 8;
    text.push_back(kAlphabet[group >> 18]);
    text.push_back(kAlphabet[(group >> 12) & 0x3F]);
    text.push_back(rest == 2 ? kAlphabet[(group >> 6) & 0x3F] : '=');
    text.push_back('=');
  }
  return text;
}

bool Base64Decode(std::string_view text, std::vector<uint8_t>* bytes) {
  bytes->clear();
  bytes->reserve(text.size() / 4 * 3 + 3);
  uint32_t group = 0;
  int count = 0;
  for (const char c : text) {
    const uint8_t value = kDecodeTable[static_cast<uint8_t>(c)];
    if (value == kSkip) continue;
    if (value == kInvalid) return false;
    if (value == kPad) {
      if (!FlushGroup(group, count, bytes)) return false;
      group = 0;
      count = 0;
      continue;
    }
    group = (group << 6) | value;
    if (++count == 4) {
      FlushGroup(group, count, bytes);
      group = 0;
      count = 0;
    }
  }
  return FlushGroup(group, count, bytes);
}

}  // namespace qorv
