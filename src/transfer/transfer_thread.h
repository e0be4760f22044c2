// The body of one transfer thread: its share of the list, cut into batches
// and moved one batch after the other on its own connection.
#ifndef QORV_TRANSFER_TRANSFER_THREAD_H_
#define QORV_TRANSFER_TRANSFER_THREAD_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "local/file_layer.h"
#include "protocol/transfer_manager.h"
#include "transfer/transfer_plan.h"
#include "transfer/transfer_slot.h"

namespace qorv {

enum class TransferDirection { kUpload, kDownload };

struct TransferThreadWork {
  TransferDirection direction = TransferDirection::kUpload;
  TransferSlot* slot = nullptr;
  std::vector<TransferEntry> entries;  // copies; the results come back in them
  SizeModeLimits limits;
  bool delta_used = false;
  const TransferJob* job = nullptr;
  FileLayer* files = nullptr;
  // Stores the bytes this thread has done so far (files finished and the
  // part of the current body moved); called from the thread.
  std::function<void(uint64_t done)> store_progress;
};

// Runs the thread's batches; on return every entry has its result and text,
// and one report line per entry has gone to the job's driver.
void RunTransferThread(TransferThreadWork& work);

// {success, progress text + " : " + result text} for each entry, delivered
// under the driver's result lock (no driver: nothing).
void DeliverEntryLines(const TransferJob& job, const std::vector<TransferEntry*>& entries);

}  // namespace qorv

#endif  // QORV_TRANSFER_TRANSFER_THREAD_H_
