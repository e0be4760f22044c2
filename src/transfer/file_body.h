// A file moved as one body on a transfer connection, in either form:
// plain (the file's bytes) or compressed (a one-entry deflate ZIP archive of
// them, docs/transfer.md). Every body of a transfer connection that is a
// file (a batch, and the digest and delta-information files of the delta
// form) goes through these two functions.
//
// Compressed send: the file is packed into the body temporary "sendzip"
// (progress 0 to 5 percent), which is then sent plain (6 to 100).
// Compressed receive: the archive is received plain into the body
// temporary "ziprecv" (0 to 95 percent) and unpacked into the caller's file
// (96 to 100). Both temporaries are removed on every path.
#ifndef QORV_TRANSFER_FILE_BODY_H_
#define QORV_TRANSFER_FILE_BODY_H_

#include <cstdint>

#include "transfer/batch_temporary.h"
#include "transfer/batch_transfer.h"

namespace qorv {

enum class BodyForm { kPlain, kCompressed };

// Sends the `size` bytes of `file` from its start as one body. Returns 0
// with "File sent successfully", or the failure (a packing failure 401, a
// socket's code and text, 11103 when `file` cannot be read).
TransferOutcome SendFileBody(BatchContext& context, BatchTemporary& file, uint64_t size,
                             BodyForm form);

// Receives one body into `file` (an empty temporary open for writing):
// plain, a body announcing at most `max_size` bytes; compressed, an archive
// whose entry unpacks to at most `max_size` bytes. *size is the number of
// bytes written to `file`. Returns 0 with "File received successfully", or
// the failure (an unpacking failure 402, a socket's code and text, 12005, a
// file-layer failure of `file`).
TransferOutcome ReceiveFileBody(BatchContext& context, BatchTemporary& file, uint32_t max_size,
                                BodyForm form, uint64_t* size);

}  // namespace qorv

#endif  // QORV_TRANSFER_FILE_BODY_H_
