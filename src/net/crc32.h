// CRC-32 as ZIP and zlib compute it (reflected polynomial 0xEDB88320, value
// inverted before and after), kept as a running value over pieces of data.
#ifndef QORV_NET_CRC32_H_
#define QORV_NET_CRC32_H_

#include <cstddef>
#include <cstdint>

namespace qorv {

// Continues `previous` (0 to start) over `length` more bytes.
uint32_t Crc32Update(uint32_t previous, const uint8_t* data, size_t length);

}  // namespace qorv

#endif  // QORV_NET_CRC32_H_
