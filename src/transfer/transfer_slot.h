// One of the manager's transfer connections, with what it was opened for:
// a connection keyed by command 96 speaks for one session only, so a list
// of another login identity or channel key opens it anew.
#ifndef QORV_TRANSFER_TRANSFER_SLOT_H_
#define QORV_TRANSFER_TRANSFER_SLOT_H_

#include <cstdint>
#include <memory>

#include "net/server_connection.h"
#include "protocol/transfer_manager.h"
#include "transfer/transfer_texts.h"

namespace qorv {

struct TransferSlot {
  std::unique_ptr<ServerConnection> connection;
  int32_t login_identity = 0;
  ChannelKey channel_key{};
};

// Makes the slot's connection ready for `job`: kept when it is alive and was
// opened for the job's login identity and channel key; otherwise connected
// anew with the job's saved connect settings and CA file and, in channel
// mode 1, keyed with command 96 and the job's channel key. Returns 0 or the
// connect failure's code and text. The slot's connection must exist.
TransferOutcome EnsureTransferConnection(TransferSlot& slot, const TransferJob& job);

}  // namespace qorv

#endif  // QORV_TRANSFER_TRANSFER_SLOT_H_
