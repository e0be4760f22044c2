// The hexadecimal text form of keys and checksums in user key files: "0x"
// followed by two upper-case digits per byte, high nibble first.
#ifndef QORV_NET_HEX_TEXT_H_
#define QORV_NET_HEX_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qorv {

std::string HexTextEncode(const uint8_t* data, size_t length);

// Decodes the last 32 characters of `text` into 16 bytes. Only "0"-"9" and
// "A"-"F" are digits; any other character counts as 0. Returns false (and
// writes nothing) when the text is shorter than 32 characters.
bool HexTextDecode16(std::string_view text, uint8_t bytes[16]);

}  // namespace qorv

#endif  // QORV_NET_HEX_TEXT_H_
