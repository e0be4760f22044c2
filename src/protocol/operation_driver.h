// The operation driver: the state that lives across the SDK object's calls
// (cancel flag, percent done, report lines, prompt answers, temporary
// folders) and the services the request engine and the operations use to
// report progress, deliver report lines and ask the caller's prompts.
//
// The driver knows nothing of COM: it raises events through the narrow
// DriverOwner interface, which the SDK object implements by sending its
// notification message to its hidden window, so every event runs on the
// caller's thread and the driver's call returns only after the handlers ran.
#ifndef QORV_PROTOCOL_OPERATION_DRIVER_H_
#define QORV_PROTOCOL_OPERATION_DRIVER_H_

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/mutex.h"

namespace qorv {

// Notification numbers; each is also the DISPID of the event it raises.
enum class SdkEvent : uint32_t {
  kPercentDone = 1,
  kOperationResultSend = 2,
  kCheckinUnchangedFile = 3,
  kUndoCheckoutChangedFile = 4,
  kRecoverOrPurgeDeletedCopy = 5,
  kLeaveOrReplaceWriteableFile = 6,
};

class DriverOwner {
 public:
  // Raises the event on the caller's thread and returns when every handler
  // has returned. May be called from any thread.
  virtual void RaiseEvent(SdkEvent event) = 0;

 protected:
  ~DriverOwner() = default;
};

// {success flag: 1 = success or information, 0 = failure; text}
struct ReportLine {
  int32_t success = 1;
  std::string text;
  bool operator==(const ReportLine&) const = default;
};

// An answer read back from a prompt slot.
struct PromptAnswer {
  int32_t answer = 0;
  bool apply_to_all = false;
};

// The four prompts an operation may put to the caller. Each has one slot in
// the driver and one pair of interface methods (GetPrompt... / SetPrompt...).
enum class PromptKind : size_t {
  kWritableFile,   // LeaveOrReplaceWriteableFile
  kUnchangedFile,  // CheckinUnchangedFile
  kChangedFile,    // UndoCheckoutChangedFile
  kDeletedCopy,    // RecoverOrPurgeDeletedCopy
};
inline constexpr size_t kPromptKindCount = 4;

// One prompt slot: the information text shown to the caller, the answer
// stored last and its apply-to-all flag.
struct PromptSlot {
  std::string information;
  bool three_way_merge = false;  // the writable-file slot only
  int32_t answer = 0;
  bool apply_to_all = false;
};

class OperationDriver {
 public:
  explicit OperationDriver(DriverOwner* owner);
  OperationDriver(const OperationDriver&) = delete;
  OperationDriver& operator=(const OperationDriver&) = delete;

  // ---- Cancel ----
  // Set by RequestCancel on the caller's thread, read by the socket layer on
  // worker threads at every poll.
  void RequestCancel() { cancel_.store(1, std::memory_order_relaxed); }
  bool CancelRequested() const { return cancel_.load(std::memory_order_relaxed) != 0; }
  void ClearCancel() { cancel_.store(0, std::memory_order_relaxed); }
  std::atomic<int32_t>* cancel_flag() { return &cancel_; }

  // ---- Progress ----
  int32_t percent_done() const { return percent_done_.load(std::memory_order_relaxed); }
  // Stores the value and raises OnPercentDone, also when it did not change.
  void SetPercentDone(int32_t percent);
  void SetProgressRange(int32_t low, int32_t high) QORV_EXCLUDES(progress_mutex_);
  // Maps p (0 to 100) into the progress range: low + p x (high - low) / 100.
  void ReportProgress(int32_t p) QORV_EXCLUDES(progress_mutex_);
  int32_t current_percent() const QORV_EXCLUDES(progress_mutex_);

  // ---- Report lines ----
  // Replaces the batch with the lines and raises OnOperationResultSend, also
  // for an empty batch. The caller's-thread form.
  void DeliverReportLines(std::vector<ReportLine> lines) QORV_EXCLUDES(batch_mutex_);
  // The same under the result lock, so that batches from several worker
  // threads are raised one at a time.
  void DeliverReportLinesLocked(std::vector<ReportLine> lines)
      QORV_EXCLUDES(result_lock_, batch_mutex_);
  // The report function: {1, heading} when the heading is not empty, then
  // {success, outcome} when the outcome is not empty; delivered even if empty.
  void Report(std::string_view heading, std::string_view outcome, bool success);
  int32_t ReportLineCount() const QORV_EXCLUDES(batch_mutex_);
  // False when index is outside the batch.
  bool GetReportLine(int32_t index, ReportLine* line) const QORV_EXCLUDES(batch_mutex_);

  // ---- Prompts ----
  // An ask stores the information text in the prompt's slot, raises the
  // prompt's event, then reads the answer the handler left (or the one
  // stored last). Writable file: 0, 2, 3 and 4 are returned as they are; the
  // others: 0, 2 and 3. Every other value, Ask (1) included, is returned as 0
  // (cancel).
  PromptAnswer Ask(PromptKind kind, std::string_view information);
  // The writable-file prompt also tells whether a three-way merge is offered.
  PromptAnswer AskWritableFile(std::string_view information, bool three_way_merge);

  PromptSlot& prompt(PromptKind kind) { return prompts_[static_cast<size_t>(kind)]; }

  // Stores a caller's answer: the value unchanged, apply-to-all as 0 or 1.
  void StoreAnswer(PromptKind kind, int32_t answer, bool apply_to_all);

  // ---- Identity and temporary folders ----
  // "~_~" + a fixed tag + process id + thread id + tick count modulo 1000.
  const std::string& instance_tag() const { return instance_tag_; }
  const std::string& temp_directory() const { return temp_directory_; }
  const std::string& working_temp_folder() const { return working_temp_folder_; }
  void set_temp_directory(std::string directory) { temp_directory_ = std::move(directory); }
  void set_working_temp_folder(std::string folder) { working_temp_folder_ = std::move(folder); }

 private:
  DriverOwner* const owner_;
  std::atomic<int32_t> cancel_{0};
  std::atomic<int32_t> percent_done_{0};
  // Progress may be reported from a worker thread while the caller's thread
  // sets the range of the next step; never held while an event runs.
  mutable platform::Mutex progress_mutex_;
  int32_t progress_low_ QORV_GUARDED_BY(progress_mutex_) = 0;
  int32_t progress_high_ QORV_GUARDED_BY(progress_mutex_) = 0;
  int32_t current_percent_ QORV_GUARDED_BY(progress_mutex_) = 0;

  // Serialises deliveries from worker threads; held while the event runs.
  platform::Mutex result_lock_ QORV_ACQUIRED_BEFORE(batch_mutex_);
  // Guards the batch itself; never held while an event runs, so a handler
  // can read the batch while the delivering worker holds result_lock_.
  mutable platform::Mutex batch_mutex_;
  std::vector<ReportLine> batch_ QORV_GUARDED_BY(batch_mutex_);

  // The prompt slots are not guarded: an ask writes the information and reads
  // the answer around RaiseEvent, which returns only after the handlers ran
  // on the caller's thread, so the message hand-over (under the queue's
  // locks) orders every access, also when the ask runs on a worker.

  std::array<PromptSlot, kPromptKindCount> prompts_;

  std::string instance_tag_;
  std::string temp_directory_;
  std::string working_temp_folder_;
};

}  // namespace qorv

#endif  // QORV_PROTOCOL_OPERATION_DRIVER_H_
