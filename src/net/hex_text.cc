#include "net/hex_text.h"

namespace qorv {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

uint8_t DigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  return 0;
}

}  // namespace

std::string HexTextEncode(const uint8_t* data, size_t length) {
  std::string text = "0x";
  text.reserve(2 + 2 * length);
  for (size_t i = 0; i < length; ++i) {
    text.push_back(kDigits[data[i] >> 4]);
    text.push_back(kDigits[data[i] & 0x0F]);
  }
  return text;
}

bool HexTextDecode16(std::string_view text, uint8_t bytes[16]) {
  if (text.size() < 32) return false;
  const std::string_view digits = text.substr(text.size() - 32);
  for (int i = 0; i < 16; ++i) {
    bytes[i] =
        static_cast<uint8_t>((DigitValue(digits[2 * i]) << 4) | DigitValue(digits[2 * i + 1]));
  }
  return true;
}

}  // namespace qorv
