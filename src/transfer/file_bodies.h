// The digest and delta-information files of a delta exchange travel as
// bodies of their own, each through one of the two functions below, in the
// form of their batch: compressed when the batch is compressed, else plain
// (both forms are those of transfer/file_body.h). Their progress is
// reported at the steps of the exchange, not per byte of these files.
#ifndef QORV_TRANSFER_FILE_BODIES_H_
#define QORV_TRANSFER_FILE_BODIES_H_

#include <cstdint>

#include "transfer/batch_temporary.h"
#include "transfer/batch_transfer.h"

namespace qorv {

// Sends the whole of `file` (read from its start) as a body. Returns 0 with
// "File sent successfully", or the failure.
TransferOutcome SendFileAsBody(BatchContext& context, BatchTemporary& file);

// Receives a body of at most `max_size` bytes into `file` (written from its
// start, then positioned at its start again); *size is its length.
TransferOutcome ReceiveBodyIntoFile(BatchContext& context, BatchTemporary& file, uint32_t max_size,
                                    uint32_t* size);

}  // namespace qorv

#endif  // QORV_TRANSFER_FILE_BODIES_H_
