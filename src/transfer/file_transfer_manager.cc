#include "transfer/file_transfer_manager.h"

#include <span>

#include "platform/thread.h"
#include "platform/worker_threads.h"
#include "protocol/operation_driver.h"
#include "transfer/transfer_plan.h"

namespace qorv {
namespace {

// Joins every started thread when the list ends, on every way out, so that
// no thread outlives the work blocks it uses.
class StartedThreads {
 public:
  explicit StartedThreads(size_t count) : threads_(count) {}
  ~StartedThreads() {
    for (const auto& thread : threads_) {
      if (thread) thread->Join();
    }
  }
  StartedThreads(const StartedThreads&) = delete;
  StartedThreads& operator=(const StartedThreads&) = delete;
  std::vector<std::shared_ptr<platform::ThreadHandle>>& handles() { return threads_; }

 private:
  std::vector<std::shared_ptr<platform::ThreadHandle>> threads_;
};

// Clears the running flag when the list ends.
class RunningScope {
 public:
  explicit RunningScope(bool& running) : running_(running) { running_ = true; }
  ~RunningScope() { running_ = false; }
  RunningScope(const RunningScope&) = delete;
  RunningScope& operator=(const RunningScope&) = delete;

 private:
  bool& running_;
};

}  // namespace

std::unique_ptr<ServerConnection> CFileTransferManager::PlainConnection(
    const std::atomic<int32_t>* cancel_flag) {
  return std::make_unique<ServerConnection>(cancel_flag);
}

CFileTransferManager::CFileTransferManager(ConnectionFactory factory, FileLayer& files,
                                           bool pump_messages)
    : factory_(std::move(factory)), files_(files), pump_messages_(pump_messages) {}

CFileTransferManager::~CFileTransferManager() = default;

void CFileTransferManager::CloseAllTransferConnections() {
  if (running_) return;
  for (TransferSlot& slot : slots_) {
    if (slot.connection && slot.connection->socket().IsOpen()) slot.connection->Close();
  }
}

void CFileTransferManager::Upload(std::vector<TransferEntry>& entries, const TransferJob& job) {
  Run(entries, job, TransferDirection::kUpload);
}

void CFileTransferManager::Download(std::vector<TransferEntry>& entries, const TransferJob& job) {
  Run(entries, job, TransferDirection::kDownload);
}

bool CFileTransferManager::PrepareSlot(TransferSlot& slot,
                                       const std::atomic<int32_t>* cancel_flag) {
  if (slot.connection && slot.connection->cancel_flag() == cancel_flag) return true;
  slot = TransferSlot{};
  slot.connection = factory_(cancel_flag);
  return slot.connection != nullptr;
}

void CFileTransferManager::StoreProgress(size_t thread, uint64_t done) {
  platform::MutexLock lock(progress_mutex_);
  progress_[thread] = done;
}

uint64_t CFileTransferManager::ProgressSum() const {
  platform::MutexLock lock(progress_mutex_);
  uint64_t sum = 0;
  for (uint64_t done : progress_) sum += done;
  return sum;
}

void CFileTransferManager::Run(std::vector<TransferEntry>& entries, const TransferJob& job,
                               TransferDirection direction) {
  for (TransferEntry& entry : entries) {
    entry.result = 0;
    entry.result_text = kTextTransferNotReached;
  }
  // A list started from within the wait's message pump is refused whole.
  if (running_ || entries.empty()) return;
  RunningScope running_scope(running_);
  {
    platform::MutexLock lock(progress_mutex_);
    progress_.fill(0);
  }
  const std::atomic<int32_t>* cancel_flag =
      job.driver != nullptr ? job.driver->cancel_flag() : nullptr;

  std::vector<uint32_t> sizes;
  uint64_t total = 0;
  for (const TransferEntry& entry : entries) {
    sizes.push_back(entry.size);
    total += entry.size;
  }
  const std::vector<std::vector<size_t>> groups =
      DealRoundRobin(OrderBySize(sizes), kTransferThreadCount);

  // One work block per thread; the blocks do not move once threads run.
  std::vector<TransferThreadWork> works(groups.size());
  StartedThreads started(groups.size());
  std::vector<std::shared_ptr<platform::ThreadHandle>>& threads = started.handles();
  for (size_t t = 0; t < groups.size(); ++t) {
    if (groups[t].empty()) continue;
    TransferThreadWork& work = works[t];
    work.direction = direction;
    work.slot = &slots_[t];
    for (size_t position : groups[t]) work.entries.push_back(entries[position]);
    work.limits = LimitsForSizeMode(job.settings.size_mode);
    work.delta_used = DeltaUsed(job.settings.size_mode, job.settings.delta_allowed);
    work.job = &job;
    work.files = &files_;
    work.store_progress = [this, t](uint64_t done) { StoreProgress(t, done); };
    if (PrepareSlot(slots_[t], cancel_flag)) {
      threads[t] = platform::ThreadHandle::Start([&work] { RunTransferThread(work); });
    }
    if (!threads[t]) {
      std::vector<TransferEntry*> failed;
      for (TransferEntry& entry : work.entries) {
        entry.result = 0;
        entry.result_text = kTextThreadErrorAddingFile;
        failed.push_back(&entry);
      }
      DeliverEntryLines(job, failed);
      StoreProgress(t, 0);
    }
  }

  std::vector<platform::ThreadHandle*> running;
  for (const auto& thread : threads) {
    if (thread) running.push_back(thread.get());
  }
  auto report = [&] {
    if (job.report_progress) {
      job.report_progress(
          static_cast<int32_t>(platform::TransferProgressPercent(total, ProgressSum())));
    }
  };
  platform::WaitForWorkerThreads(std::span<platform::ThreadHandle* const>(running), pump_messages_,
                                 report);
  for (size_t t = 0; t < threads.size(); ++t) {
    if (!threads[t]) continue;
    threads[t]->Join();
    if (threads[t]->EndedAbnormally()) {
      for (TransferEntry& entry : works[t].entries) {
        if (entry.result != 1) entry.result_text = kTextThreadTerminated;
      }
    }
  }
  if (total > 0) report();

  for (size_t t = 0; t < groups.size(); ++t) {
    for (size_t k = 0; k < groups[t].size(); ++k) {
      TransferEntry& target = entries[groups[t][k]];
      const TransferEntry& done = works[t].entries[k];
      target.size = done.size;
      target.date = done.date;
      target.result = done.result;
      target.result_text = done.result_text;
    }
  }
}

}  // namespace qorv
