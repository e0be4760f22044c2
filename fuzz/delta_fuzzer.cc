// Delta-information and digest files as a peer might send them.
//
// Input: a mode byte, a 16-bit old-file length and that many old-file
// bytes, then the file. Bit 0 of the mode clear: the file is a
// delta-information file rebuilt against the old file; set: it is a digest
// file loaded into a block table, against which the old bytes are scanned.
//
// Properties, beyond not crashing:
// - a rebuild writes at most its bound and reports the size it wrote;
// - a failed rebuild says 304 with its fixed text;
// - a rebuilt file round-trips: digested, scanned against itself and
//   rebuilt, it comes back byte for byte with a matching MD4;
// - a loaded digest file holds exactly the blocks its size announces, and a
//   delta scanned against it rebuilds the scanned bytes when the digest
//   describes them (it is theirs).
#include <algorithm>
#include <cstring>
#include <string>

#include "codec/delta_digest.h"
#include "codec/delta_rebuild.h"
#include "codec/delta_scan.h"
#include "fuzz/fuzz_support.h"

namespace qorv::fuzz {
namespace {

DeltaRead Reader(const std::string& bytes, size_t* position) {
  return [&bytes, position](uint8_t* into, size_t count, size_t* got) {
    *got = std::min(count, bytes.size() - *position);
    std::memcpy(into, bytes.data() + *position, *got);
    *position += *got;
    return DeltaStatus{};
  };
}

DeltaReadAt RandomReader(const std::string& bytes) {
  return [&bytes](uint64_t offset, uint8_t* into, size_t count, size_t* got) {
    *got = offset >= bytes.size() ? 0 : std::min<size_t>(count, bytes.size() - offset);
    std::memcpy(into, bytes.data() + offset, *got);
    return DeltaStatus{};
  };
}

DeltaWrite Writer(std::string* out) {
  return [out](const uint8_t* from, size_t count) {
    out->append(reinterpret_cast<const char*>(from), count);
    return DeltaStatus{};
  };
}

// Digest of `old` with small blocks, the delta of `now` against it, and the
// rebuild of that delta: `now` again.
void CheckRoundTrip(const std::string& old, const std::string& now) {
  std::string digest;
  size_t position = 0;
  QORV_FUZZ_CHECK(WriteDigest(old.size(), 64, "old", Reader(old, &position), Writer(&digest)).ok(),
                  "a digest of bytes in memory is written");
  BlockTable table;
  position = 0;
  QORV_FUZZ_CHECK(BlockTable::Load(Reader(digest, &position), digest.size(), &table).ok(),
                  "a digest we wrote loads");
  std::string delta;
  position = 0;
  QORV_FUZZ_CHECK(WriteDelta(table, Reader(now, &position), Writer(&delta)).ok(),
                  "a delta is written");
  std::string rebuilt;
  RebuildResult result;
  position = 0;
  QORV_FUZZ_CHECK(Reconstruct(Reader(delta, &position), delta.size(), RandomReader(old), old.size(),
                              now.size(), Writer(&rebuilt), &result)
                      .ok(),
                  "a delta we wrote rebuilds");
  QORV_FUZZ_CHECK(result.md4_matches && rebuilt == now, "a round trip gives the bytes back");
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qorv;
  fuzz::FuzzInput input(data, size);
  const uint8_t mode = input.Byte();
  const size_t old_length = std::min<size_t>(input.Word(), input.rest_size());
  const std::string old(reinterpret_cast<const char*>(input.rest()), old_length);
  const std::string file(reinterpret_cast<const char*>(input.rest()) + old_length,
                         input.rest_size() - old_length);
  size_t position = 0;
  if ((mode & 1) == 0) {
    const uint64_t bound = 4 * old.size() + file.size();
    std::string rebuilt;
    RebuildResult result;
    const DeltaStatus status =
        Reconstruct(fuzz::Reader(file, &position), file.size(), fuzz::RandomReader(old), old.size(),
                    bound, fuzz::Writer(&rebuilt), &result);
    QORV_FUZZ_CHECK(rebuilt.size() <= bound, "a rebuild stays within its bound");
    if (!status.ok()) {
      QORV_FUZZ_CHECK(status.code == kDeltaBadDeltaFile && status.text == kTextDeltaBadFormat,
                      "a rebuild fails only as a malformed delta");
      return 0;
    }
    QORV_FUZZ_CHECK(result.size == rebuilt.size(), "the size reported is the size written");
    fuzz::CheckRoundTrip(old, rebuilt);
    return 0;
  }
  BlockTable table;
  const DeltaStatus status = BlockTable::Load(fuzz::Reader(file, &position), file.size(), &table);
  if (!status.ok()) {
    QORV_FUZZ_CHECK(status.code == kDeltaBadDigestFile || status.code == kDeltaFileTooHuge ||
                        status.code == kDeltaOutOfMemory,
                    "a digest fails as malformed, too huge or too large for memory");
    return 0;
  }
  QORV_FUZZ_CHECK(
      file.size() == kDigestHeaderSize + uint64_t{kDigestRecordSize} * table.block_count(),
      "a loaded digest holds the blocks its size announces");
  std::string delta;
  position = 0;
  QORV_FUZZ_CHECK(WriteDelta(table, fuzz::Reader(old, &position), fuzz::Writer(&delta)).ok(),
                  "a delta against any loaded digest is written");
  QORV_FUZZ_CHECK(delta.size() >= kDeltaMinimumSize, "a delta holds its block size and MD4");
  fuzz::CheckRoundTrip(old, old);
  return 0;
}
