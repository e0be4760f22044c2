// UnpackZip: the local header at offset 0, the central directory entry
// found by scanning the archive's tail backwards, then the raw deflate data
// between them inflated block by block.
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "codec/crc32.h"
#include "codec/zip_archive.h"

namespace qorv {
namespace {

using zip::Load16;
using zip::Load32;
using zip::Load64;

// The tail is scanned in windows of this many bytes, at most kMaxTailScan
// bytes back from the end: room for the end records, a comment of the
// largest size and a central directory entry with the largest name and
// extra field.
constexpr size_t kScanWindow = 512;
constexpr uint64_t kMaxTailScan = 4 * 65536;
// At most this many signatures found in the tail are read as candidate
// entries (each may read up to 64 KiB of extra field and as much name): a
// tail crafted full of signatures costs a bounded amount of reading.
constexpr int kMaxCandidates = 64;

// Where the entry's compressed data is, with its values.
struct Located {
  zip::Entry entry;
  uint64_t data_offset = 0;
};

// Takes the 64-bit values the ZIP64 extended information of `extra` holds
// for the fields that carry the 0xFFFFFFFF marker, in their published
// order. False when a marked value is missing.
bool ReadZip64Extra(const std::vector<uint8_t>& extra, uint32_t size32, uint32_t compressed32,
                    uint32_t offset32, zip::Entry* entry, uint64_t* local_offset) {
  size_t at = 0;
  while (at + 4 <= extra.size()) {
    const uint16_t id = Load16(&extra[at]);
    const size_t length = Load16(&extra[at + 2]);
    const size_t data = at + 4;
    if (data + length > extra.size()) return false;
    if (id == zip::kZip64ExtraId) {
      size_t field = data;
      const size_t end = data + length;
      for (auto [marked, target] :
           {std::pair{size32 == zip::kMarker32, &entry->size},
            std::pair{compressed32 == zip::kMarker32, &entry->compressed_size},
            std::pair{offset32 == zip::kMarker32, local_offset}}) {
        if (!marked) continue;
        if (field + 8 > end) return false;
        *target = Load64(&extra[field]);
        field += 8;
      }
      return true;
    }
    at = data + length;
  }
  return size32 != zip::kMarker32 && compressed32 != zip::kMarker32 && offset32 != zip::kMarker32;
}

// Reads the central directory entry at `at`; false when it does not
// describe an entry whose data lies between the local header at offset 0
// (with `local_extent` bytes of header, name and extra field) and `at`.
bool ReadCentralEntry(const ZipUnpackIo& io, uint64_t at, uint64_t local_extent, Located* located) {
  uint8_t header[zip::kCentralHeaderSize];
  if (at + sizeof(header) > io.archive_size || !io.read_at(at, header, sizeof(header))) {
    return false;
  }
  if (Load32(header) != zip::kCentralHeaderSignature) return false;
  const size_t name_length = Load16(header + 28);
  const size_t extra_length = Load16(header + 30);
  const size_t comment_length = Load16(header + 32);
  if (at + sizeof(header) + name_length + extra_length + comment_length > io.archive_size) {
    return false;
  }
  zip::Entry& entry = located->entry;
  entry.flags = Load16(header + 8);
  entry.method = Load16(header + 10);
  entry.time = Load16(header + 12);
  entry.date = Load16(header + 14);
  entry.crc = Load32(header + 16);
  const uint32_t compressed32 = Load32(header + 20);
  const uint32_t size32 = Load32(header + 24);
  const uint32_t offset32 = Load32(header + 42);
  entry.compressed_size = compressed32;
  entry.size = size32;
  uint64_t local_offset = offset32;
  // Both lengths come from 16-bit fields: at most 64 KiB each.
  std::vector<uint8_t> extra(extra_length);
  if (extra_length > 0 &&
      !io.read_at(at + sizeof(header) + name_length, extra.data(), extra_length)) {
    return false;
  }
  if (!ReadZip64Extra(extra, size32, compressed32, offset32, &entry, &local_offset)) return false;
  if (local_offset != 0) return false;  // the one entry's header is the archive's first record
  if (entry.compressed_size > at || local_extent > at - entry.compressed_size) return false;
  std::string name(name_length, '\0');
  if (name_length > 0 &&
      !io.read_at(at + sizeof(header), reinterpret_cast<uint8_t*>(name.data()), name_length)) {
    return false;
  }
  entry.name = std::move(name);
  located->data_offset = local_extent;
  return true;
}

// Scans the tail backwards for the central directory entry's signature;
// the last one that reads as a valid entry wins. False when none does.
bool FindCentralEntry(const ZipUnpackIo& io, uint64_t local_extent, Located* located) {
  const uint64_t floor = io.archive_size > kMaxTailScan ? io.archive_size - kMaxTailScan : 0;
  uint8_t window[kScanWindow + 3];
  uint64_t end = io.archive_size;  // the window covers [start, end + 3) clipped to the archive
  int candidates = 0;
  while (end > floor) {
    const uint64_t start = end > floor + kScanWindow ? end - kScanWindow : floor;
    const size_t length = static_cast<size_t>(std::min<uint64_t>(end + 3, io.archive_size) - start);
    if (!io.read_at(start, window, length)) return false;
    for (size_t i = length >= 4 ? length - 4 + 1 : 0; i-- > 0;) {
      if (start + i >= end) continue;  // seen in the previous window
      if (Load32(window + i) != zip::kCentralHeaderSignature) continue;
      if (ReadCentralEntry(io, start + i, local_extent, located)) return true;
      if (++candidates == kMaxCandidates) return false;
    }
    end = start;
  }
  return false;
}

struct InflateStream {
  z_stream stream{};
  bool open = false;
  ~InflateStream() {
    if (open) inflateEnd(&stream);
  }
};

ZipResult Inflate(const ZipUnpackIo& io, const Located& located) {
  std::unique_ptr<uint8_t[]> input(new (std::nothrow) uint8_t[kZipBufferSize]);
  std::unique_ptr<uint8_t[]> output(new (std::nothrow) uint8_t[kZipBufferSize]);
  InflateStream unpacker;
  if (!input || !output) return ZipResult::UnpackFailure(kUnzipOutOfMemory);
  if (inflateInit2(&unpacker.stream, -MAX_WBITS) != Z_OK) {
    return ZipResult::UnpackFailure(kUnzipOutOfMemory);
  }
  unpacker.open = true;

  const zip::Entry& entry = located.entry;
  uint64_t consumed = 0;  // compressed bytes read
  uint64_t written = 0;
  Crc32 crc;
  for (;;) {
    if (io.canceled && io.canceled()) return ZipResult::UnpackFailure(kUnzipCanceled);
    if (unpacker.stream.avail_in == 0) {
      if (consumed == entry.compressed_size) return ZipResult::UnpackFailure(kUnzipUnexpectedEnd);
      const size_t take =
          static_cast<size_t>(std::min<uint64_t>(kZipBufferSize, entry.compressed_size - consumed));
      if (!io.read_at(located.data_offset + consumed, input.get(), take)) {
        return ZipResult::UnpackFailure(kUnzipUnexpectedEnd);
      }
      consumed += take;
      unpacker.stream.next_in = input.get();
      unpacker.stream.avail_in = static_cast<uInt>(take);
    }
    unpacker.stream.next_out = output.get();
    unpacker.stream.avail_out = static_cast<uInt>(kZipBufferSize);
    const int status = inflate(&unpacker.stream, Z_NO_FLUSH);
    if (status == Z_MEM_ERROR) return ZipResult::UnpackFailure(kUnzipOutOfMemory);
    if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
      return ZipResult::UnpackFailure(kUnzipStructureInvalid);
    }
    const size_t produced = kZipBufferSize - unpacker.stream.avail_out;
    if (produced > entry.size - written) return ZipResult::UnpackFailure(kUnzipStructureInvalid);
    if (produced > 0) {
      if (!io.write(output.get(), produced)) return ZipResult::UnpackFailure(kUnzipDiskFull);
      crc.Update(output.get(), produced);
      written += produced;
    }
    if (status == Z_STREAM_END) break;
  }
  if (written != entry.size) return ZipResult::UnpackFailure(kUnzipStructureInvalid);
  if (crc.value() != entry.crc) return ZipResult::UnpackFailure(kUnzipBadCrc);
  return ZipResult::Unpacked();
}

}  // namespace

ZipResult UnpackZip(const ZipUnpackIo& io, zip::Entry* entry) {
  uint8_t local[zip::kLocalHeaderSize];
  if (io.archive_size < sizeof(local) || !io.read_at(0, local, sizeof(local)) ||
      Load32(local) != zip::kLocalHeaderSignature) {
    return ZipResult::UnpackFailure(kUnzipStructureInvalid);
  }
  const uint64_t local_extent = sizeof(local) + Load16(local + 26) + Load16(local + 28);
  Located located;
  if (!FindCentralEntry(io, local_extent, &located)) {
    return ZipResult::UnpackFailure(kUnzipStructureInvalid);
  }
  if (entry != nullptr) *entry = located.entry;
  if ((located.entry.flags & zip::kFlagEncrypted) != 0) {
    return ZipResult::UnpackFailure(kUnzipEncrypted);
  }
  if (located.entry.method != zip::kMethodDeflate) {
    return ZipResult::UnpackFailure(kUnzipUnknownMethod);
  }
  if (located.entry.size > io.max_size) return ZipResult::UnpackFailure(kUnzipStructureInvalid);
  return Inflate(io, located);
}

}  // namespace qorv
