// The records of the one-entry deflate ZIP form (published ZIP format,
// little-endian), as this code writes them:
//   local file header   30 bytes + name + 32-byte extra field
//   compressed data
//   central directory   46 bytes + name + 32-byte extra field
//   [ZIP64 end record, 56 bytes, and ZIP64 locator, 20 bytes]
//   end of central directory, 22 bytes
// The extra field is the ZIP64 extended information: id 1, data size 28,
// then the 64-bit uncompressed size, compressed size and local header
// offset and the 32-bit disk number. The 32-bit size fields of both headers
// (and the central header's offset field) hold 0xFFFFFFFF, which tells a
// reader to take the values from the extra field.
#ifndef QORV_CODEC_ZIP_FORMAT_H_
#define QORV_CODEC_ZIP_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace qorv::zip {

inline constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
inline constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr uint32_t kZip64EndSignature = 0x06064B50;
inline constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
inline constexpr uint32_t kEndSignature = 0x06054B50;

inline constexpr size_t kLocalHeaderSize = 30;
inline constexpr size_t kCentralHeaderSize = 46;
inline constexpr size_t kZip64EndSize = 56;
inline constexpr size_t kZip64LocatorSize = 20;
inline constexpr size_t kEndSize = 22;
inline constexpr size_t kExtraSize = 32;

inline constexpr uint16_t kZip64ExtraId = 0x0001;
inline constexpr uint16_t kVersion = 20;
inline constexpr uint16_t kMethodDeflate = 8;
inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint32_t kMarker32 = 0xFFFFFFFF;

// The central directory starts at or beyond this offset: the ZIP64 end
// record and locator are written (the offset needs more than 31 bits).
inline constexpr uint64_t kZip64OffsetLimit = uint64_t{1} << 31;

// The fields of the one entry.
struct Entry {
  uint16_t flags = 0;
  uint16_t method = kMethodDeflate;
  uint16_t time = 0;  // MS-DOS time and date
  uint16_t date = 0;
  uint32_t crc = 0;
  uint64_t compressed_size = 0;
  uint64_t size = 0;
  std::string name;
};

// MS-DOS date and time fields; years before 1980 give 1980-01-01 00:00.
uint16_t DosDate(int year, int month, int day);
uint16_t DosTime(int hour, int minute, int second);

uint16_t Load16(const uint8_t* at);
uint32_t Load32(const uint8_t* at);
uint64_t Load64(const uint8_t* at);

std::string LocalHeader(const Entry& entry);
std::string CentralHeader(const Entry& entry);
// The records after a central directory of `size` bytes at `offset`: the
// ZIP64 pair when offset >= zip64_limit, then the end of central directory.
std::string EndRecords(uint64_t offset, uint64_t size, uint64_t zip64_limit);

}  // namespace qorv::zip

#endif  // QORV_CODEC_ZIP_FORMAT_H_
