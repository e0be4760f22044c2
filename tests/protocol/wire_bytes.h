// Writes wire fields byte by byte, independently of the SDK's own message
// classes, so that tests compare our encoders with bytes produced another
// way and feed our decoders with frames written by hand.
#ifndef QORV_TESTS_PROTOCOL_WIRE_BYTES_H_
#define QORV_TESTS_PROTOCOL_WIRE_BYTES_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qorv::testing {

class Wire {
 public:
  Wire& Byte(uint8_t value) {
    bytes_.push_back(value);
    return *this;
  }
  // Big-endian, as every int32 of a frame.
  Wire& Int32(int32_t value) {
    const uint32_t bits = static_cast<uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(uint8_t(bits >> shift));
    return *this;
  }
  Wire& Bool(bool value) { return Int32(value ? 1 : 0); }
  Wire& Str(std::string_view text) {
    Int32(static_cast<int32_t>(text.size()));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }
  // A date-time as its two parts: whole days, then milliseconds.
  Wire& Date(int32_t days, int32_t milliseconds) { return Int32(days).Int32(milliseconds); }
  Wire& Raw(const std::vector<uint8_t>& raw) {
    bytes_.insert(bytes_.end(), raw.begin(), raw.end());
    return *this;
  }
  Wire& Repeat(uint8_t value, size_t count) {
    bytes_.insert(bytes_.end(), count, value);
    return *this;
  }
  // The reply's opening pair.
  Wire& Status(int32_t status, std::string_view description) {
    return Int32(status).Str(description);
  }

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  operator const std::vector<uint8_t>&() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace qorv::testing

#endif  // QORV_TESTS_PROTOCOL_WIRE_BYTES_H_
