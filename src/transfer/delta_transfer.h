// The delta forms of a single-file batch (docs/protocol.md, commands 64 and
// 65; docs/transfer.md): the client as the receiving side of a download,
// which describes its working file and rebuilds the new one from the delta
// the server sends, and as the sending side of an upload, which scans the
// new file against the server's digest of its old version. Each exchange
// takes up to three attempts; after that, or when the side that should
// hold the old version holds none, the body travels whole.
#ifndef QORV_TRANSFER_DELTA_TRANSFER_H_
#define QORV_TRANSFER_DELTA_TRANSFER_H_

#include <optional>

#include "local/file_layer.h"
#include "protocol/transfer_manager.h"
#include "transfer/batch_temporary.h"
#include "transfer/batch_transfer.h"

namespace qorv {

inline constexpr int kDeltaAttempts = 3;

inline constexpr char kTextDigestNotReceived[] = "Error receiving file digest information";

// After command 65 with the delta flag. On success either *rebuilt holds
// the new file, written beside the entry's target and checked against its
// MD4 and size (to be put in place like a plain body), or *whole_follows
// is set and the body comes whole next. A failure leaves the connection
// out of step; no temporary survives either way.
TransferOutcome ReceiveDelta(BatchContext& context, TransferEntry& entry,
                             std::optional<FileLayer::Replacement>* rebuilt, bool* whole_follows);

// After command 64 with the delta flag; `new_file` is the batch file
// holding the entry's content. On success either the server rebuilt the
// file or *whole_follows is set and the body is to be sent whole next.
TransferOutcome SendDelta(BatchContext& context, BatchTemporary& new_file,
                          const TransferEntry& entry, bool* whole_follows);

}  // namespace qorv

#endif  // QORV_TRANSFER_DELTA_TRANSFER_H_
