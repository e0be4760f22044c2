// Rebuilding a new file from an old file and a delta-information file.
#ifndef QORV_CODEC_DELTA_REBUILD_H_
#define QORV_CODEC_DELTA_REBUILD_H_

#include <cstdint>

#include "codec/delta_format.h"

namespace qorv {

struct RebuildResult {
  uint64_t size = 0;         // bytes written to the output
  bool md4_matches = false;  // the MD4 of those bytes equals the file's last 16 bytes
};

// Reads the delta-information file of `delta_size` bytes from `delta` and
// writes the new file to `out`, taking referenced blocks from the old file
// of `old_size` bytes through `old`. The delta file is untrusted: one below
// 20 bytes, a block size of 0 or above kMaxDeltaBlockSize, a record of
// count 0, a record that runs past the records (which end 16 bytes before
// the file's end), a run that names a block past the old file's, or output
// beyond `max_output` bytes is 304 "Error format of delta information
// file." — as soon as it is seen, so the work is bounded by the delta's
// size and `max_output`. A mismatching MD4 is not a failure: the result
// tells it.
DeltaStatus Reconstruct(const DeltaRead& delta, uint64_t delta_size, const DeltaReadAt& old,
                        uint64_t old_size, uint64_t max_output, const DeltaWrite& out,
                        RebuildResult* result);

}  // namespace qorv

#endif  // QORV_CODEC_DELTA_REBUILD_H_
