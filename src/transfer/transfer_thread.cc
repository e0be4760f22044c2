#include "transfer/transfer_thread.h"

#include "protocol/operation_driver.h"
#include "transfer/batch_transfer.h"
#include "transfer/body_channel.h"
#include "transfer/transfer_exchange.h"

namespace qorv {
namespace {

bool Canceled(const TransferJob& job) {
  return job.driver != nullptr && job.driver->CancelRequested();
}

uint64_t BytesOf(const std::vector<TransferEntry*>& entries) {
  uint64_t bytes = 0;
  for (const TransferEntry* entry : entries) bytes += entry->size;
  return bytes;
}

}  // namespace

void DeliverEntryLines(const TransferJob& job, const std::vector<TransferEntry*>& entries) {
  if (job.driver == nullptr || entries.empty()) return;
  std::vector<ReportLine> lines;
  lines.reserve(entries.size());
  for (const TransferEntry* entry : entries) {
    lines.push_back(
        {entry->result == 1 ? 1 : 0, entry->progress_text + " : " + entry->result_text});
  }
  job.driver->DeliverReportLinesLocked(std::move(lines));
}

void RunTransferThread(TransferThreadWork& work) {
  const TransferJob& job = *work.job;
  const bool upload = work.direction == TransferDirection::kUpload;
  std::vector<TransferEntry*> all;
  std::vector<uint32_t> sizes;
  for (TransferEntry& entry : work.entries) {
    entry.result = 0;
    entry.result_text = upload ? kTextLocalTempFileFailed : kTextErrorReceivingFile;
    all.push_back(&entry);
    sizes.push_back(entry.size);
  }

  BodyChannel channel;
  TransferOutcome opened = channel.ready()
                               ? EnsureTransferConnection(*work.slot, job)
                               : TransferOutcome{kResultOutOfMemory, kTextOutOfMemoryShort};
  if (!opened.ok()) {
    FailEntries(all, opened.text);
    work.store_progress(BytesOf(all));
    DeliverEntryLines(job, all);
    return;
  }

  uint64_t done = 0;
  for (const std::vector<size_t>& positions :
       SplitIntoBatches(sizes, work.limits, work.delta_used)) {
    std::vector<TransferEntry*> batch;
    for (size_t position : positions) batch.push_back(all[position]);
    const uint64_t batch_bytes = BytesOf(batch);
    // A batch after a failed one may need the connection again; a cancel
    // ends the thread's work before the next batch starts.
    TransferOutcome ready = Canceled(job) ? TransferOutcome{kResultSocketCanceled, kTextCanceled}
                                          : EnsureTransferConnection(*work.slot, job);
    if (ready.ok()) {
      BatchContext context{*work.slot->connection, channel, *work.files, job,
                           [&work, done](uint64_t moved) { work.store_progress(done + moved); }};
      context.delta_used = work.delta_used;
      context.delta_threshold = work.limits.delta_threshold;
      if (upload) {
        RunUploadBatch(context, batch);
      } else {
        RunDownloadBatch(context, batch);
      }
    } else {
      FailEntries(batch, ready.text);
    }
    done += batch_bytes;
    work.store_progress(done);
    DeliverEntryLines(job, batch);
  }
}

}  // namespace qorv
