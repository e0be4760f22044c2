// One-entry ZIP archives as a peer might send them (the compressed form of
// a body).
//
// Input: the archive's bytes.
//
// Properties, beyond not crashing:
// - every read asks for bytes inside the archive;
// - no more bytes are written than the entry announces, nor than the limit;
// - an archive that unpacks wrote exactly the announced size, with the
//   announced CRC-32;
// - a failure is an unpacking failure (402) with a text from the table;
// - the input packed by PackZip unpacks to itself.
#include <algorithm>
#include <cstring>
#include <string>

#include "codec/crc32.h"
#include "codec/zip_archive.h"
#include "fuzz/fuzz_support.h"

namespace qorv::fuzz {
namespace {

// Bounds the work of one input: an entry may unpack to at most this much.
constexpr uint64_t kMaxUnpacked = 4 << 20;

void RunZipUnpack(const uint8_t* data, size_t size) {
  uint64_t written = 0;
  Crc32 crc;
  ZipUnpackIo io;
  io.archive_size = size;
  io.read_at = [&](uint64_t offset, uint8_t* into, size_t count) {
    QORV_FUZZ_CHECK(offset <= size && count <= size - offset, "reads stay inside the archive");
    std::memcpy(into, data + offset, count);
    return true;
  };
  io.write = [&](const uint8_t* from, size_t count) {
    written += count;
    crc.Update(from, count);
    return true;
  };
  io.max_size = kMaxUnpacked;
  zip::Entry entry;
  const ZipResult result = UnpackZip(io, &entry);
  QORV_FUZZ_CHECK(written <= kMaxUnpacked, "no more than the limit is written");
  if (result.ok()) {
    QORV_FUZZ_CHECK(written == entry.size, "the announced size is written");
    QORV_FUZZ_CHECK(crc.value() == entry.crc, "the announced CRC-32 holds");
  } else {
    QORV_FUZZ_CHECK(written <= entry.size, "no more than the entry announces is written");
    QORV_FUZZ_CHECK(result.code == kZipUnpackFailure, "a failure is an unpacking failure");
    QORV_FUZZ_CHECK(!result.text.empty() && result.text == UnzipMessage(result.library_result),
                    "a failure has its table text");
  }

  // The input itself packed and unpacked again.
  std::string archive;
  size_t read = 0;
  ZipPackIo pack;
  pack.read = [&](uint8_t* into, size_t capacity, size_t* got) {
    *got = std::min(capacity, size - read);
    if (*got > 0) std::memcpy(into, data + read, *got);
    read += *got;
    return true;
  };
  pack.write = [&](const uint8_t* from, size_t count) {
    archive.append(reinterpret_cast<const char*>(from), count);
    return true;
  };
  pack.rewrite = [&](uint64_t offset, const uint8_t* from, size_t count) {
    std::memcpy(archive.data() + offset, from, count);
    return true;
  };
  QORV_FUZZ_CHECK(PackZip(pack, {}).ok(), "any input packs");
  std::string unpacked;
  ZipUnpackIo again;
  again.archive_size = archive.size();
  again.read_at = [&](uint64_t offset, uint8_t* into, size_t count) {
    std::memcpy(into, archive.data() + offset, count);
    return true;
  };
  again.write = [&](const uint8_t* from, size_t count) {
    unpacked.append(reinterpret_cast<const char*>(from), count);
    return true;
  };
  QORV_FUZZ_CHECK(UnpackZip(again).ok(), "a packed input unpacks");
  QORV_FUZZ_CHECK(
      unpacked.size() == size && (size == 0 || std::memcmp(unpacked.data(), data, size) == 0),
      "a packed input unpacks to itself");
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::RunZipUnpack(data, size);
  return 0;
}
