// The shared pieces of delta transfer: the outcome of each step, the byte
// streams the steps read and write, the block size table and the layouts of
// the digest file and the delta-information file (docs/transfer.md).
//
// Digest file, little-endian: uint64 old file size S, uint32 block size B,
// then per block in file order {uint32 weak checksum, 16-byte MD4}.
// Delta-information file, little-endian: uint32 block size, then records
// (a literal: uint16 C in 1..32767 and C bytes; a block run: uint16
// 0x8000 + R, R in 1..32767, and uint32 start block K), then the 16-byte
// MD4 of the whole new file.
//
// Both files come from the other side of a connection and are read as
// untrusted: every count is checked against what the file and the old file
// can hold before it is used, and the rebuilt file may not grow past the
// size the caller expects.
#ifndef QORV_CODEC_DELTA_FORMAT_H_
#define QORV_CODEC_DELTA_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qorv {

// 0 or a failure code with its text. Codes: 2 out of memory, 303 a file
// of more blocks than a signed 32-bit count holds, 304 a malformed
// delta-information file, 305 a malformed digest file, and the code an
// I/O callback gave.
struct DeltaStatus {
  int32_t code = 0;
  std::string text;
  bool ok() const { return code == 0; }
};

inline constexpr int32_t kDeltaOutOfMemory = 2;
inline constexpr int32_t kDeltaFileTooHuge = 303;
inline constexpr int32_t kDeltaBadDeltaFile = 304;
inline constexpr int32_t kDeltaBadDigestFile = 305;
inline constexpr char kTextDeltaOutOfMemory[] = "Out of memory.";
inline constexpr char kTextDeltaBadFormat[] = "Error format of delta information file.";
inline constexpr char kTextDigestBadFormat[] = "Error format of file digest information.";

// Reads up to `count` bytes into `into`; *got is 0 at the end. A failure
// is returned as it stands and ends the step.
using DeltaRead = std::function<DeltaStatus(uint8_t* into, size_t count, size_t* got)>;
// Reads up to `count` bytes of the old file from `offset` (random access).
using DeltaReadAt =
    std::function<DeltaStatus(uint64_t offset, uint8_t* into, size_t count, size_t* got)>;
using DeltaWrite = std::function<DeltaStatus(const uint8_t* from, size_t count)>;

// Files pass through buffers of this size.
inline constexpr size_t kDeltaBufferSize = 65536;
inline constexpr size_t kDigestHeaderSize = 12;
inline constexpr size_t kDigestRecordSize = 20;
inline constexpr size_t kDeltaMd4Size = 16;
// Block size plus MD4: the delta of an empty new file.
inline constexpr size_t kDeltaMinimumSize = 4 + kDeltaMd4Size;
inline constexpr uint32_t kMaxRecordCount = 32767;
inline constexpr uint16_t kBlockRunFlag = 0x8000;
// The largest block size a digest or delta file may name: the table below
// never goes past 30720; a larger one is refused before it sizes a buffer.
inline constexpr uint32_t kMaxDeltaBlockSize = 1u << 20;

// 2048 below 1 MiB, 4096 below 50 MiB, 10240 up to 104857599 bytes, then
// 30720.
uint32_t ChooseBlockSize(uint64_t old_size);

// ceiling(size / block_size) in *count; 303 "Exception: Not supported so
// huge size file <path>." when it does not fit in a signed 32-bit value.
DeltaStatus CountBlocks(uint64_t size, uint32_t block_size, std::string_view path, uint32_t* count);

// Reads exactly `count` bytes; a short read is `short_read`.
DeltaStatus ReadExactly(const DeltaRead& read, uint8_t* into, size_t count,
                        const DeltaStatus& short_read);

}  // namespace qorv

#endif  // QORV_CODEC_DELTA_FORMAT_H_
