#include "transfer/transfer_slot.h"

#include <random>

#include "net/handshake.h"
#include "transfer/transfer_commands.h"
#include "transfer/transfer_exchange.h"

namespace qorv {

TransferOutcome EnsureTransferConnection(TransferSlot& slot, const TransferJob& job) {
  ServerConnection& connection = *slot.connection;
  if (connection.IsAlive() && slot.login_identity == job.login_identity &&
      slot.channel_key == job.channel_key) {
    return {};
  }
  const ConnectOutcome connected =
      connection.ConnectSecondary(job.connect_settings, job.ca_file_path);
  if (connected.result != kResultOk) return {connected.result, connected.description};
  if (connection.encryption_mode() == kEncryptionBlowfish) {
    // The random values only vary the enciphered frame; the server ignores
    // them.
    std::minstd_rand random(std::random_device{}());
    TransferConnectionKeyCommand key;
    key.first_random = static_cast<int32_t>(random());
    key.login_identity = job.login_identity;
    key.key = job.channel_key;
    key.second_random = static_cast<int32_t>(random());
    TransferOutcome sent = SendTransferCommand(connection, key);
    if (!sent.ok()) {
      connection.Close();
      return sent;
    }
    connection.SetChannelKey(job.channel_key);
  }
  slot.login_identity = job.login_identity;
  slot.channel_key = job.channel_key;
  return {};
}

}  // namespace qorv
