// The file-transfer manager: moves the bodies of a transfer list over up to
// five threads, each on its own transfer connection, while the caller's
// thread waits pumping its messages and reports the file phase's progress.
//
// Upload and Download:
//   1. Every entry starts as failed, "Error transfering file".
//   2. The entries are ordered by size (stable) and dealt round-robin to
//      the five threads; a thread without entries is not started.
//   3. Each thread runs on its own connection slot (opened on first use,
//      kept open for the next list, keyed with command 96 in channel mode 1)
//      and moves its entries batch by batch (transfer_thread.h).
//   4. The caller's thread waits for the threads; every 100 ms it reports
//      the percent of bytes done through the job's report_progress.
//   5. The threads' results are copied back into the caller's entries.
// With deltas used, a single-file batch above the delta threshold travels as
// a delta (delta_transfer.h). Zipped bodies are not offered yet: other
// batches travel plain, announced as such on the wire.
#ifndef QORV_TRANSFER_FILE_TRANSFER_MANAGER_H_
#define QORV_TRANSFER_FILE_TRANSFER_MANAGER_H_

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "local/file_layer.h"
#include "net/server_connection.h"
#include "platform/com/mutex.h"
#include "protocol/transfer_manager.h"
#include "transfer/transfer_slot.h"
#include "transfer/transfer_thread.h"

namespace qorv {

class CFileTransferManager : public TransferManager {
 public:
  static constexpr size_t kSlotCount = 20;

  // Makes the connection of a slot, whose socket waits observe
  // `cancel_flag`. The SDK gives one that adds its proxy traversal and SSL
  // setup; the default makes a plain ServerConnection.
  using ConnectionFactory =
      std::function<std::unique_ptr<ServerConnection>(const std::atomic<int32_t>* cancel_flag)>;
  static std::unique_ptr<ServerConnection> PlainConnection(const std::atomic<int32_t>* cancel_flag);

  // `files` must outlive the manager. `pump_messages`: whether the wait
  // also dispatches the caller's window messages.
  explicit CFileTransferManager(ConnectionFactory factory = PlainConnection,
                                FileLayer& files = FileLayer::Shared(), bool pump_messages = true);
  ~CFileTransferManager() override;
  CFileTransferManager(const CFileTransferManager&) = delete;
  CFileTransferManager& operator=(const CFileTransferManager&) = delete;

  // Closes every open slot. Ignored while a list runs (the engine only
  // calls it between requests).
  void CloseAllTransferConnections() override;

  void Upload(std::vector<TransferEntry>& entries, const TransferJob& job) override;
  void Download(std::vector<TransferEntry>& entries, const TransferJob& job) override;

 private:
  void Run(std::vector<TransferEntry>& entries, const TransferJob& job,
           TransferDirection direction);
  // The slot's connection made (or made anew) for `cancel_flag`; false when
  // the factory gives none.
  bool PrepareSlot(TransferSlot& slot, const std::atomic<int32_t>* cancel_flag);
  void StoreProgress(size_t thread, uint64_t done) QORV_EXCLUDES(progress_mutex_);
  uint64_t ProgressSum() const QORV_EXCLUDES(progress_mutex_);

  ConnectionFactory factory_;
  FileLayer& files_;
  const bool pump_messages_;
  std::array<TransferSlot, kSlotCount> slots_;
  bool running_ = false;  // the caller's thread only

  mutable platform::Mutex progress_mutex_;
  std::array<uint64_t, kSlotCount> progress_ QORV_GUARDED_BY(progress_mutex_){};
};

}  // namespace qorv

#endif  // QORV_TRANSFER_FILE_TRANSFER_MANAGER_H_
