// The zip packaging of the transfer layer: a file packed into a one-entry
// deflate ZIP archive (codec/zip_archive.h) in a body temporary, and an
// archive unpacked into a file, both through the file layer in blocks of
// kZipBufferSize bytes. A packing failure is code 401 with the packing
// result's text, an unpacking failure 402 with the unpacking result's text;
// an unpacked block the target cannot take is the file layer's failure (a
// full disk: "Out of disk space while receiving file"), as for a plain body.
#ifndef QORV_TRANSFER_ZIP_FILE_H_
#define QORV_TRANSFER_ZIP_FILE_H_

#include <cstdint>
#include <functional>
#include <string>

#include "local/file_layer.h"
#include "transfer/batch_temporary.h"
#include "transfer/transfer_texts.h"

namespace qorv {

// Packs the whole of `source` (read from its start) into `archive`, an
// empty temporary open for reading and writing; the entry is named
// `entry_name` and dated now. `canceled` is polled before every block.
TransferOutcome PackFile(FileLayer& files, BatchTemporary& source, BatchTemporary& archive,
                         const std::string& entry_name, const std::function<bool()>& canceled);

// Unpacks `archive` into `target`, an empty temporary open for writing; an
// entry announcing more than `max_size` bytes is refused with 12005, as a
// body that does not fit what was asked for. *unpacked is the number of
// bytes written.
TransferOutcome UnpackFile(FileLayer& files, BatchTemporary& archive, BatchTemporary& target,
                           uint64_t max_size, const std::function<bool()>& canceled,
                           uint64_t* unpacked);

}  // namespace qorv

#endif  // QORV_TRANSFER_ZIP_FILE_H_
