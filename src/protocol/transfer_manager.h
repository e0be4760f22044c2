// The file-transfer manager as the request engine sees it. The manager
// itself (transfer connections, threads, batches) lives in the transfer
// layer, above this one, and implements this interface; the engine owns it.
#ifndef QORV_PROTOCOL_TRANSFER_MANAGER_H_
#define QORV_PROTOCOL_TRANSFER_MANAGER_H_

namespace qorv {

class TransferManager {
 public:
  virtual ~TransferManager() = default;

  // Closes every open transfer connection. Called whenever the main
  // connection is closed after a transport failure or before a reconnect.
  virtual void CloseAllTransferConnections() = 0;
};

// The manager of an engine that moves no file bodies: it holds no
// connections, so there is nothing to close.
class NoTransferManager : public TransferManager {
 public:
  void CloseAllTransferConnections() override {}
};

}  // namespace qorv

#endif  // QORV_PROTOCOL_TRANSFER_MANAGER_H_
