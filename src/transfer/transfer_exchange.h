// Small steps the batches of both directions share: sending a request of a
// transfer command and receiving the one message that answers it.
#ifndef QORV_TRANSFER_TRANSFER_EXCHANGE_H_
#define QORV_TRANSFER_TRANSFER_EXCHANGE_H_

#include <vector>

#include "net/server_connection.h"
#include "protocol/protocol_client.h"
#include "protocol/transfer_manager.h"
#include "transfer/transfer_texts.h"

namespace qorv {

// Sends the command's request frame on the connection.
template <class Command>
TransferOutcome SendTransferCommand(ServerConnection& connection, const Command& command) {
  COutMessage& out = connection.out_message();
  out.Reset();
  if (CProtocolClient::BuildRequest(command, out) != kResultOk) {
    return {kResultOutOfMemory, kTextOutOfMemoryShort};
  }
  const int32_t code = out.Send(connection.socket());
  if (code != kResultOk) return {code, connection.StatusText(code)};
  return {};
}

// Receives one message into the connection's incoming buffer.
TransferOutcome ReceiveTransferMessage(ServerConnection& connection);

// True when the connection's frames are Blowfish-enciphered (and padded).
bool UsesBlowfish(ServerConnection& connection);

// Every entry of `entries` fails with `text`.
void FailEntries(const std::vector<TransferEntry*>& entries, const std::string& text);

// A file-layer failure as an outcome: a full disk reads as the transfer's
// out-of-disk-space failure, anything else as the layer's code and text.
TransferOutcome FileFailure(int32_t code, const std::string& message);

}  // namespace qorv

#endif  // QORV_TRANSFER_TRANSFER_EXCHANGE_H_
