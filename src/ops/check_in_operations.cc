#include "ops/check_in_operations.h"

#include <algorithm>
#include <utility>

#include "local/file_digest.h"
#include "local/working_folder.h"
#include "ops/file_steps.h"
#include "ops/report_texts.h"
#include "protocol/multi_step_requests.h"
#include "protocol/tree_commands.h"
#include "qorvsdk/enums.h"

namespace qorv::ops {
namespace {

class CheckInPass {
 public:
  CheckInPass(const OperationContext& context, const std::vector<WorkingFile>& files,
              const CheckInOptions& options, OperationStatus* status,
              std::vector<ItemResult>* results)
      : context_(context),
        driver_(context.driver),
        files_(files),
        options_(options),
        status_(status),
        results_(results),
        handling_(context.driver, PromptKind::kUnchangedFile, options.unchanged_handling,
                  Enum_CheckinUnchangedFileHandlingAsk) {}

  int32_t Run() {
    if (files_.empty()) {
      status_->description = kTextCompleted;
      driver_.Report(kReportCheckingInFilesEmpty, kTextCompleted, true);
      return kResultOk;
    }
    LookAtLocalFiles();
    int32_t result = QueryServer();
    if (result == kResultOk) result = Decide();
    if (result == kResultOk) result = Release();
    if (result == kResultOk) result = CheckIn();
    if (result == kResultOk) result = Finish();
    if (result != kResultOk) return result;
    driver_.SetPercentDone(100);
    status_->description = last_description_;
    return kResultOk;
  }

 private:
  enum class Fate { kFailed, kCheckIn, kRelease, kKeep };

  struct Work {
    const WorkingFile* file = nullptr;
    ItemResult* result = nullptr;
    Fate fate = Fate::kFailed;
    bool taking_part = false;
    ServerFileState state;
    CheckOutStateResult record;
    int32_t new_version = 0;
  };

  // Step 1.
  void LookAtLocalFiles() {
    const size_t first = results_->size();
    for (const WorkingFile& file : files_) results_->push_back(ItemResult{file.server_path});
    work_.resize(files_.size());
    for (size_t i = 0; i < files_.size(); ++i) {
      Work& work = work_[i];
      work.file = &files_[i];
      work.result = &(*results_)[first + i];
      const std::string& path = work.file->server_path;
      const std::string& local = work.file->local_path;
      if (IsDirectory(local)) {
        const std::string why = kTextFolderInTheWayLowerPrefix + local + kTextAlreadyExistsSuffix;
        Fail(work, kResultNameInTheWay, why, kReportCheckingInPrefix + path + kReportEllipsis, why);
      } else if (!PathExists(local)) {
        const std::string why = local + kSuffixNotFound;
        Fail(work, kResultLocalFileNotFound, why,
             kReportCheckingInPrefix + path + " " + kReportEllipsis, why);
      } else {
        work.taking_part = true;
      }
    }
  }

  // Step 2.
  int32_t QueryServer() {
    driver_.SetPercentDone(5);
    driver_.SetProgressRange(5, 10);
    std::vector<Work*> asked;
    std::vector<StateQuery> queries;
    std::vector<std::string> paths;
    for (Work& work : work_) {
      if (!work.taking_part) continue;
      asked.push_back(&work);
      queries.push_back({work.file->server_path, 0});
      paths.push_back(work.file->server_path);
    }
    std::vector<ServerFileState> states;
    int32_t result = QueryServerStates(context_, queries, options_.eol, 5, 10, status_, &states);
    if (result != kResultOk)
      return EndOnRequest(driver_, result, *status_, kReportCheckInFailedPrefix);
    std::vector<CheckOutStateResult> records;
    result = QueryCheckOutRecords(context_, paths, status_, &records);
    if (result != kResultOk)
      return EndOnRequest(driver_, result, *status_, kReportCheckInFailedPrefix);
    if (!asked.empty()) last_description_ = status_->description;
    for (size_t i = 0; i < asked.size(); ++i) {
      asked[i]->state = std::move(states[i]);
      asked[i]->record = records[i];
    }
    driver_.SetPercentDone(10);
    driver_.SetProgressRange(10, 15);
    return kResultOk;
  }

  // Step 3.
  int32_t Decide() {
    for (size_t i = 0; i < work_.size(); ++i) {
      Work& work = work_[i];
      if (!work.taking_part) continue;
      const std::string& path = work.file->server_path;
      const std::string& local = work.file->local_path;
      if (work.state.result != kResultOk) {
        Fail(work, work.state.result, work.state.description,
             kReportCheckingInPrefix + path + kReportItemSuffix, work.state.description);
        continue;
      }
      if (!work.record.checked_out_by_you) {
        const std::string why = path + kSuffixNotCheckedOutByYou;
        Fail(work, kResultNotCheckedOutByYou, why,
             kReportCheckingInPrefix + path + kReportFileHeadingSuffix, why);
        continue;
      }
      if (work.record.version_checked_out < work.record.latest_version && !Merge(work, i)) {
        continue;
      }
      const FileDigest digest = DigestOfFile(local);
      if (!digest.ok() || digest.bytes != work.state.digest) {
        work.fate = Fate::kCheckIn;
        continue;
      }
      const int32_t answer =
          handling_.Decide(kPromptUnchangedPrefix + local + kPromptUnchangedSuffix);
      if (answer == Enum_CheckinUnchangedFileHandlingCheckin) {
        work.fate = Fate::kCheckIn;
      } else if (answer == Enum_CheckinUnchangedFileHandlingUndoCheckout) {
        work.fate = options_.keep_checked_out ? Fate::kKeep : Fate::kRelease;
      } else {
        return EndOnPromptCancel(driver_, status_);
      }
    }
    return kResultOk;
  }

  // The local file merged with the version others checked in meanwhile;
  // false when the file is skipped.
  bool Merge(Work& work, size_t position) {
    ServerMerge merge;
    merge.server_path = work.file->server_path;
    merge.local_path = work.file->local_path;
    merge.current_version = work.record.latest_version;
    merge.base_version = work.record.version_checked_out;
    merge.temp_number = std::to_string(position);
    merge.eol = options_.eol;
    merge.set_local_file_time = options_.set_local_file_time;
    merge.tool = options_.merge_tool;
    merge.arguments = options_.merge_arguments;
    std::string description;
    bool request_failed = false;
    const int32_t result = MergeWithServer(context_, merge, &description, &request_failed);
    if (result == kResultOk) return true;
    Fail(work, result, description,
         kReportCheckingInPrefix + work.file->server_path + " " + kReportEllipsis, description);
    return false;
  }

  // Step 4.
  int32_t Release() {
    driver_.SetPercentDone(15);
    std::vector<Work*> released;
    for (Work& work : work_) {
      if (work.fate == Fate::kRelease) released.push_back(&work);
    }
    for (size_t start = 0; start < released.size(); start += kFilesPerRequest) {
      const size_t end = std::min(released.size(), start + kFilesPerRequest);
      UndoCheckOutCommand command;
      for (size_t i = start; i < end; ++i) {
        command.file_paths.push_back(released[i]->file->server_path);
      }
      const int32_t result = context_.Run(command, status_);
      if (result != kResultOk)
        return EndOnRequest(driver_, result, *status_, kReportUndoFailedPrefix);
      if (status_->canceled) return kResultPromptCanceled;
      for (size_t i = start; i < end; ++i) {
        const UndoneCheckOut& reply = command.reply[i - start];
        if (reply.result == kResultOk) continue;
        Fail(*released[i], reply.result, reply.description,
             kReportUndoingPrefix + released[i]->file->server_path + " " + kReportEllipsis,
             reply.description);
      }
      driver_.SetPercentDone(15 + static_cast<int32_t>(30 * end / released.size()));
    }
    driver_.SetPercentDone(45);
    return kResultOk;
  }

  // Step 5.
  int32_t CheckIn() {
    std::vector<Work*> sent;
    for (Work& work : work_) {
      if (work.fate == Fate::kCheckIn) sent.push_back(&work);
    }
    const size_t total = sent.size();
    for (size_t start = 0; start < total; start += kFilesPerRequest) {
      const size_t end = std::min(total, start + kFilesPerRequest);
      driver_.SetProgressRange(45 + static_cast<int32_t>(55 * start / total),
                               45 + static_cast<int32_t>(55 * end / total));
      CheckInRequest request;
      request.line_ending_mode = options_.eol;
      request.keep_checked_out = options_.keep_checked_out;
      request.comment = options_.comment;
      for (size_t i = start; i < end; ++i) {
        CheckInRecord record;
        record.local_file_name = sent[i]->file->local_path;
        record.name = sent[i]->file->server_path;
        record.server_path = sent[i]->file->server_path;
        record.upload_body = true;
        request.files.push_back(std::move(record));
      }
      RequestStatus request_status;
      const int32_t result = CheckInFiles(context_.engine, request, &request_status);
      status_->canceled = request_status.canceled;
      status_->description = request_status.description;
      if (result != kResultOk || request_status.canceled) {
        return EndOnRequest(driver_, result, *status_, kReportCheckInFailedPrefix);
      }
      last_description_ = request_status.description;
      for (size_t i = start; i < end; ++i) {
        const CheckInRecord& record = request.files[i - start];
        if (record.status != kResultOk) {
          // The request delivered this file's line; the file and its
          // check-out stay as they were.
          sent[i]->fate = Fate::kFailed;
          sent[i]->result->result = record.status;
          sent[i]->result->description = record.description;
          continue;
        }
        sent[i]->new_version = record.new_version;
      }
    }
    return kResultOk;
  }

  // Steps 6 to 8.
  int32_t Finish() {
    CacheStore* cache = context_.cache();
    if (cache == nullptr)
      return EndOnCache(driver_, kResultCacheUpdateFailed, kTextCacheUpdateFailed, status_);
    CacheLock lock(*cache);
    if (!lock.Take(driver_.cancel_flag()).ok()) {
      return EndOnCache(driver_, kResultCacheUpdateFailed, kTextCacheUpdateFailed, status_);
    }
    CacheModel& model = cache->model();
    for (Work& work : work_) {
      const std::string& path = work.file->server_path;
      const std::string& local = work.file->local_path;
      switch (work.fate) {
        case Fate::kFailed:
          continue;
        case Fate::kKeep:
          if (!SetReadOnly(local, false)) {
            FailToFinish(work, kTextAttributeNotSetPrefix + local);
            continue;
          }
          Record(model, work, work.record.version_checked_out);
          continue;
        case Fate::kRelease:
        case Fate::kCheckIn: {
          const bool checked_in = work.fate == Fate::kCheckIn;
          const bool still_mine = checked_in && options_.keep_checked_out;
          if (!still_mine) {
            if (CacheFileEntry* cached = model.FindFile(path)) cached->checkout_path.clear();
          }
          if (options_.remove_local_copy && !still_mine) {
            DeleteLocalFile(local);
            if (CacheFileEntry* cached = model.FindFile(path)) cached->RemoveLocalCopy(local);
            continue;
          }
          const bool read_only = !still_mine && options_.read_only_if_not_checked_out;
          if ((still_mine || read_only) && !SetReadOnly(local, read_only)) {
            FailToFinish(work, kTextAttributeNotSetPrefix + local);
            continue;
          }
          Record(model, work, checked_in ? work.new_version : work.state.version);
          continue;
        }
      }
    }
    const CacheResult saved = lock.SaveAndRelease();
    if (!saved.ok()) return EndOnCache(driver_, kResultCacheSaveFailed, saved.description, status_);
    return kResultOk;
  }

  void Record(CacheModel& model, Work& work, int32_t version) {
    const std::string why =
        RecordCurrentLocalCopy(model, work.file->server_path, work.file->local_path, version);
    if (!why.empty()) FailToFinish(work, why);
  }

  void Fail(Work& work, int32_t result, const std::string& description, const std::string& heading,
            const std::string& outcome) {
    work.fate = Fate::kFailed;
    work.taking_part = false;
    work.result->result = result;
    work.result->description = description;
    driver_.Report(heading, outcome, false);
  }

  void FailToFinish(Work& work, const std::string& why) {
    const std::string description = kTextFinishFailedPrefix + why;
    Fail(work, kResultSystemError, description, "",
         kReportCheckingInPrefix + work.file->server_path + kReportItemSuffix + description);
  }

  const OperationContext& context_;
  OperationDriver& driver_;
  const std::vector<WorkingFile>& files_;
  const CheckInOptions& options_;
  OperationStatus* status_;
  std::vector<ItemResult>* results_;
  PromptHandling handling_;
  std::vector<Work> work_;
  std::string last_description_;
};

}  // namespace

int32_t CheckInFiles(const OperationContext& context, const std::vector<WorkingFile>& files,
                     const CheckInOptions& options, OperationStatus* status,
                     std::vector<ItemResult>* results) {
  context.BeginOperation();
  CheckInPass pass(context, files, options, status, results);
  return pass.Run();
}

int32_t CheckInProject(const OperationContext& context, const std::string& project,
                       const std::string& local_folder, bool recursive,
                       const CheckInOptions& options, OperationStatus* status,
                       std::vector<ItemResult>* results) {
  context.BeginOperation();
  WalkRequest walk;
  walk.project = project;
  walk.local_folder = local_folder;
  walk.recursive = recursive;
  walk.kind = OperationKind::kCheckIn;
  walk.create_folders = false;
  std::vector<WorkingFile> files;
  const int32_t result = WalkProject(context, walk, status, &files);
  if (result != kResultOk || status->canceled) return result;
  CheckInPass pass(context, files, options, status, results);
  return pass.Run();
}

}  // namespace qorv::ops
