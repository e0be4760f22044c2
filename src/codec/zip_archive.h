// Packing a byte stream into a one-entry deflate ZIP archive and unpacking
// one (codec/zip_format.h gives the records). Both run over callbacks the
// caller supplies, through fixed buffers of kZipBufferSize bytes: neither
// the input nor the output is ever held whole in memory, and no file is
// opened here.
//
// An archive to unpack is untrusted: every offset and length read from it
// is checked against the archive's size before it is used, nothing is
// allocated from a value it announces beyond 64 KiB, and the entry must
// inflate to exactly the size it announces (and no more than the caller's
// limit) with a matching CRC-32. Any breach is a failure of the archive.
#ifndef QORV_CODEC_ZIP_ARCHIVE_H_
#define QORV_CODEC_ZIP_ARCHIVE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "codec/zip_format.h"
#include "codec/zip_result.h"

namespace qorv {

inline constexpr size_t kZipBufferSize = 65536;

// Deflate level 1: on text it packs within a few percent of level 6 at
// several times the speed (docs/decisions.md).
inline constexpr int kZipDefaultLevel = 1;

// Polled before every block; true ends the step with the cancel result.
using ZipCancelPoll = std::function<bool()>;

struct ZipPackIo {
  // The next bytes of the input into `into` (up to `capacity`); *got = 0 at
  // its end. False: the input cannot be read.
  std::function<bool(uint8_t* into, size_t capacity, size_t* got)> read;
  // Appends to the archive. False: it cannot be written.
  std::function<bool(const uint8_t* from, size_t count)> write;
  // Writes over bytes already appended, at `offset` (the local header, once
  // the sizes and the CRC-32 are known), leaving the append position as it
  // was. False: it cannot be written.
  std::function<bool(uint64_t offset, const uint8_t* from, size_t count)> rewrite;
  ZipCancelPoll canceled;
};

struct ZipPackOptions {
  std::string entry_name = "body";
  uint16_t dos_time = 0;
  uint16_t dos_date = zip::DosDate(1980, 1, 1);
  int level = kZipDefaultLevel;
  // The central directory offset from which the ZIP64 records are written.
  uint64_t zip64_offset_limit = zip::kZip64OffsetLimit;
};

// Packs the whole input. Failures (code kZipPackFailure): 4 out of memory,
// 9 canceled, 11 the input cannot be read, 14 the archive cannot be
// written, 3 the local header or the records after the data cannot be
// completed. *entry (when given) receives the entry as written.
ZipResult PackZip(const ZipPackIo& io, const ZipPackOptions& options, zip::Entry* entry = nullptr);

struct ZipUnpackIo {
  uint64_t archive_size = 0;
  // Exactly `count` bytes of the archive from `offset` into `into`. False:
  // they cannot be read.
  std::function<bool(uint64_t offset, uint8_t* into, size_t count)> read_at;
  // Appends unpacked bytes to the output. False: they cannot be written.
  std::function<bool(const uint8_t* from, size_t count)> write;
  ZipCancelPoll canceled;
  // An entry announcing more unpacked bytes than this is refused before
  // anything is written.
  uint64_t max_size = std::numeric_limits<uint64_t>::max();
};

// Unpacks the archive's one entry. Failures (code kZipUnpackFailure): 3 no
// local header at offset 0, no usable central directory entry, a size or
// offset that does not fit the archive, data that does not inflate or
// inflates to another size; 2 the compressed data ends early or cannot be
// read; 39 the CRC-32 differs; 41 an encrypted entry; 42 a method other
// than deflate; 4 out of memory; 40 canceled; 50 the output cannot be
// written. *entry (when given) receives the central directory's values.
ZipResult UnpackZip(const ZipUnpackIo& io, zip::Entry* entry = nullptr);

}  // namespace qorv

#endif  // QORV_CODEC_ZIP_ARCHIVE_H_
