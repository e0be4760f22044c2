#include "transfer/transfer_exchange.h"

namespace qorv {

TransferOutcome ReceiveTransferMessage(ServerConnection& connection) {
  const int32_t code = connection.in_message().Receive(connection.socket());
  if (code != kResultOk) return {code, connection.StatusText(code)};
  return {};
}

bool UsesBlowfish(ServerConnection& connection) {
  return dynamic_cast<const CBlowfishInMessage*>(&connection.in_message()) != nullptr;
}

void FailEntries(const std::vector<TransferEntry*>& entries, const std::string& text) {
  for (TransferEntry* entry : entries) {
    entry->result = 0;
    entry->result_text = text;
  }
}

TransferOutcome FileFailure(int32_t code, const std::string& message) {
  if (code == kFileErrorDiskFull) return {kResultOutOfDiskSpace, kTextOutOfDiskSpace};
  return {code == kResultOk ? kFileErrorGeneric : code, message};
}

}  // namespace qorv
