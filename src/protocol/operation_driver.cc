#include "protocol/operation_driver.h"

#include "platform/process.h"

namespace qorv {
namespace {
// Between "~_~" and the numbers of the instance tag; it only makes the
// working temporary folder's name unlikely to collide with anything else.
constexpr char kInstanceTagPrefix[] = "~_~QorSdkTmp";
}  // namespace

OperationDriver::OperationDriver(DriverOwner* owner) : owner_(owner) {
  instance_tag_ = std::string(kInstanceTagPrefix) + std::to_string(platform::CurrentProcessId()) +
                  std::to_string(platform::CurrentThreadId()) +
                  std::to_string(platform::TickCountMs() % 1000);
}

void OperationDriver::SetPercentDone(int32_t percent) {
  percent_done_.store(percent, std::memory_order_relaxed);
  owner_->RaiseEvent(SdkEvent::kPercentDone);
}

void OperationDriver::SetProgressRange(int32_t low, int32_t high) {
  platform::MutexLock lock(progress_mutex_);
  progress_low_ = low;
  progress_high_ = high;
}

void OperationDriver::ReportProgress(int32_t p) {
  int32_t percent;
  {
    platform::MutexLock lock(progress_mutex_);
    current_percent_ = progress_low_ + p * (progress_high_ - progress_low_) / 100;
    percent = current_percent_;
  }
  SetPercentDone(percent);
}

int32_t OperationDriver::current_percent() const {
  platform::MutexLock lock(progress_mutex_);
  return current_percent_;
}

void OperationDriver::DeliverReportLines(std::vector<ReportLine> lines) {
  {
    platform::MutexLock lock(batch_mutex_);
    batch_ = std::move(lines);
  }
  owner_->RaiseEvent(SdkEvent::kOperationResultSend);
}

void OperationDriver::DeliverReportLinesLocked(std::vector<ReportLine> lines) {
  platform::MutexLock lock(result_lock_);
  DeliverReportLines(std::move(lines));
}

void OperationDriver::Report(std::string_view heading, std::string_view outcome, bool success) {
  std::vector<ReportLine> lines;
  if (!heading.empty()) lines.push_back(ReportLine{1, std::string(heading)});
  if (!outcome.empty()) lines.push_back(ReportLine{success ? 1 : 0, std::string(outcome)});
  DeliverReportLines(std::move(lines));
}

int32_t OperationDriver::ReportLineCount() const {
  platform::MutexLock lock(batch_mutex_);
  return static_cast<int32_t>(batch_.size());
}

bool OperationDriver::GetReportLine(int32_t index, ReportLine* line) const {
  platform::MutexLock lock(batch_mutex_);
  if (index < 0 || static_cast<size_t>(index) >= batch_.size()) return false;
  *line = batch_[static_cast<size_t>(index)];
  return true;
}

PromptAnswer OperationDriver::Ask(PromptKind kind, std::string_view information) {
  // The event of each prompt, in PromptKind order.
  static constexpr SdkEvent kEvents[kPromptKindCount] = {
      SdkEvent::kLeaveOrReplaceWriteableFile, SdkEvent::kCheckinUnchangedFile,
      SdkEvent::kUndoCheckoutChangedFile, SdkEvent::kRecoverOrPurgeDeletedCopy};
  PromptSlot& slot = prompt(kind);
  // The answer is not reset first: without a handler the caller gets the
  // answer stored last (0, cancel, on a fresh object).
  slot.information = std::string(information);
  owner_->RaiseEvent(kEvents[static_cast<size_t>(kind)]);
  PromptAnswer result;
  result.apply_to_all = slot.apply_to_all;
  const int32_t a = slot.answer;
  const bool known = a == 0 || a == 2 || a == 3 || (kind == PromptKind::kWritableFile && a == 4);
  result.answer = known ? a : 0;
  return result;
}

PromptAnswer OperationDriver::AskWritableFile(std::string_view information, bool three_way_merge) {
  prompt(PromptKind::kWritableFile).three_way_merge = three_way_merge;
  return Ask(PromptKind::kWritableFile, information);
}

void OperationDriver::StoreAnswer(PromptKind kind, int32_t answer, bool apply_to_all) {
  PromptSlot& slot = prompt(kind);
  slot.answer = answer;
  slot.apply_to_all = apply_to_all;
}

}  // namespace qorv
