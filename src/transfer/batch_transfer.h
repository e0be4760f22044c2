// One batch of a transfer thread: an upload batch (command 64 and its body)
// or a download batch (command 65, its body and dates) on the thread's
// connection. Every entry of the batch ends with its result (1 transferred,
// 0 failed) and text.
//
// Downloads write every file whole or not at all: a single-file batch
// receives straight into a temporary beside the target, a larger batch into
// a batch temporary that is then split into one such temporary per file;
// each is renamed over its target only once the batch's body and dates have
// come whole. A failure or cancel leaves the old file as it was and no
// temporary anywhere.
#ifndef QORV_TRANSFER_BATCH_TRANSFER_H_
#define QORV_TRANSFER_BATCH_TRANSFER_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "local/file_layer.h"
#include "net/server_connection.h"
#include "protocol/transfer_manager.h"
#include "transfer/body_channel.h"
#include "transfer/transfer_texts.h"

namespace qorv {

struct BatchContext {
  ServerConnection& connection;
  BodyChannel& channel;
  FileLayer& files;
  const TransferJob& job;
  // Told the bytes of the batch's body moved so far.
  std::function<void(uint64_t moved)> progress;
  // Deltas used (size mode 1 or 2 with delta allowed): a single-file upload
  // batch above the threshold, or download batch at or above it, travels as
  // a delta (docs/transfer.md).
  bool delta_used = false;
  uint32_t delta_threshold = 0;
};

// Each returns the batch's own outcome: 0 when the exchange with the server
// ran to its end (single files may still have failed), else the failure
// every entry sent carries. After a failure that may have left the stream
// out of step the connection is closed.
TransferOutcome RunUploadBatch(BatchContext& context, const std::vector<TransferEntry*>& batch);
TransferOutcome RunDownloadBatch(BatchContext& context, const std::vector<TransferEntry*>& batch);

}  // namespace qorv

#endif  // QORV_TRANSFER_BATCH_TRANSFER_H_
