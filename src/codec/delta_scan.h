// The delta scan: a new file read once from start to end against the block
// table of the other side's old file, written as a delta-information file.
#ifndef QORV_CODEC_DELTA_SCAN_H_
#define QORV_CODEC_DELTA_SCAN_H_

#include "codec/delta_digest.h"
#include "codec/delta_format.h"

namespace qorv {

// A window of the block size (shorter at the end of the file) slides over
// the new file: a window equal to an old block of its length is written as
// a reference (runs of consecutive blocks as one record, at most 32767
// blocks each) and the window moves past it; otherwise its first byte
// becomes literal (records of at most 32767 bytes) and the window rolls one
// byte on. Memory: the table, two 64 KiB buffers and the window.
DeltaStatus WriteDelta(const BlockTable& table, const DeltaRead& new_file, const DeltaWrite& out);

}  // namespace qorv

#endif  // QORV_CODEC_DELTA_SCAN_H_
