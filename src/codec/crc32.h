// CRC-32 as ZIP and zlib compute it (reflected polynomial 0xEDB88320, value
// inverted before and after), kept as a running value over pieces of data,
// so that a file's checksum is taken while its bytes stream through in
// chunks of any size.
#ifndef QORV_CODEC_CRC32_H_
#define QORV_CODEC_CRC32_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qorv {

// Continues `previous` (0 to start) over `length` more bytes.
uint32_t Crc32Update(uint32_t previous, const uint8_t* data, size_t length);

// The running CRC-32 of a stream: feed its chunks in order, read value() at
// any point (0 before the first byte).
class Crc32 {
 public:
  void Update(const void* data, size_t length) {
    value_ = Crc32Update(value_, static_cast<const uint8_t*>(data), length);
  }
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  uint32_t value() const { return value_; }

 private:
  uint32_t value_ = 0;
};

}  // namespace qorv

#endif  // QORV_CODEC_CRC32_H_
