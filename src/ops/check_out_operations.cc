#include "ops/check_out_operations.h"

#include <algorithm>
#include <utility>

#include "local/file_digest.h"
#include "local/path_forms.h"
#include "local/working_folder.h"
#include "ops/file_steps.h"
#include "ops/report_texts.h"
#include "protocol/multi_step_requests.h"
#include "protocol/tree_commands.h"
#include "qorvsdk/enums.h"

namespace qorv::ops {
namespace {

// What an operation knows of one of its files.
struct FileWork {
  const WorkingFile* file = nullptr;
  ItemResult* result = nullptr;
  bool failed = false;
  bool local_exists = false;
  ServerFileState state;
};

// The start the two passes share: one item result per file, named by its
// server path.
std::vector<FileWork> StartItems(const std::vector<WorkingFile>& files,
                                 std::vector<ItemResult>* results) {
  const size_t first = results->size();
  for (const WorkingFile& file : files) results->push_back(ItemResult{file.server_path});
  std::vector<FileWork> work(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    work[i].file = &files[i];
    work[i].result = &(*results)[first + i];
  }
  return work;
}

void FailItem(OperationDriver& driver, FileWork& work, int32_t result,
              const std::string& description, const std::string& heading,
              const std::string& outcome) {
  work.failed = true;
  work.result->result = result;
  work.result->description = description;
  driver.Report(heading, outcome, false);
}

bool SameAsServer(const FileWork& work) {
  const FileDigest local = DigestOfFile(work.file->local_path);
  return local.ok() && local.bytes == work.state.digest;
}

// ---- Check out ---------------------------------------------------------------

class CheckOutPass {
 public:
  CheckOutPass(const OperationContext& context, const std::vector<WorkingFile>& files,
               const CheckOutOptions& options, OperationStatus* status,
               std::vector<ItemResult>* results)
      : context_(context),
        driver_(context.driver),
        files_(files),
        options_(options),
        status_(status),
        results_(results),
        handling_(context.driver, PromptKind::kWritableFile, options.writable_handling,
                  Enum_WritableFileHandlingAsk) {}

  int32_t Run() {
    if (files_.empty()) {
      status_->description = kTextCompleted;
      driver_.Report(kReportCheckingOutFilesEmpty, kTextCompleted, true);
      return kResultOk;
    }
    work_ = StartItems(files_, results_);
    driver_.SetPercentDone(5);
    driver_.SetProgressRange(5, 10);
    int32_t result = CheckRecords();
    if (result == kResultOk) result = Decide();
    if (result == kResultOk) result = CheckOut();
    if (result == kResultOk) result = Finish();
    if (result != kResultOk) return result;
    driver_.SetPercentDone(100);
    status_->description = last_description_;
    return kResultOk;
  }

 private:
  struct Entry {
    FileWork* work;
    bool fetch;
    CheckedOutFile checked_out;
  };

  // Steps 1 and 2.
  int32_t CheckRecords() {
    std::vector<std::string> paths;
    for (const WorkingFile& file : files_) paths.push_back(file.server_path);
    std::vector<CheckOutStateResult> records;
    const int32_t result = QueryCheckOutRecords(context_, paths, status_, &records);
    if (result != kResultOk) {
      return EndOnRequest(driver_, result, *status_, kReportCheckOutFailedPrefix);
    }
    last_description_ = status_->description;
    for (size_t i = 0; i < work_.size(); ++i) {
      FileWork& work = work_[i];
      const std::string& path = work.file->server_path;
      const std::string& local = work.file->local_path;
      if (!records[i].exists) {
        const std::string why = path + kSuffixNotFound;
        FailItem(driver_, work, kResultNotFound, why,
                 kReportCheckingOutFilePrefix + path + kReportEllipsis, why);
      } else if (records[i].checked_out_by_you) {
        const std::string why =
            kTextYouHaveItCheckedOutPrefix + path + kTextYouHaveItCheckedOutSuffix;
        FailItem(driver_, work, kResultAlreadyCheckedOutByYou, why,
                 kReportCheckingOutFilePrefix + path + kReportEllipsis, why);
        SetReadOnly(local, false);
      } else if (IsDirectory(local)) {
        const std::string why = kTextFolderInTheWaySpacedPrefix + local + kTextAlreadyExistsSuffix;
        FailItem(driver_, work, kResultNameInTheWay, why,
                 kReportCheckingOutPrefix + path + kReportEllipsis, why);
      } else {
        work.local_exists = PathExists(local);
      }
    }
    driver_.SetPercentDone(10);
    return kResultOk;
  }

  // Step 4.
  int32_t Decide() {
    if (options_.no_local_copy) {
      for (FileWork& work : work_) {
        if (work.failed) continue;
        const std::string folder = SplitLocalPath(work.file->local_path).parent;
        if (!folder.empty() && CreateFolderPath(folder) != kResultOk) {
          const std::string why = kPrefixFailedToCreateFolder + folder;
          FailItem(driver_, work, kResultCreateFolderFailed, why, "",
                   kReportGettingPrefix + work.file->server_path + kReportItemMergeSuffix + why);
          continue;
        }
        entries_.push_back({&work, false, {}});
      }
      return kResultOk;
    }
    std::vector<FileWork*> taking_part;
    std::vector<StateQuery> queries;
    for (FileWork& work : work_) {
      if (work.failed) continue;
      taking_part.push_back(&work);
      queries.push_back({work.file->server_path, 0});
    }
    std::vector<ServerFileState> states;
    const int32_t result =
        QueryServerStates(context_, queries, options_.eol, 10, 20, status_, &states);
    if (result != kResultOk) {
      return EndOnRequest(driver_, result, *status_, kReportCheckOutFailedPrefix);
    }
    if (!queries.empty()) last_description_ = status_->description;
    for (size_t i = 0; i < taking_part.size(); ++i) {
      FileWork& work = *taking_part[i];
      work.state = std::move(states[i]);
      const std::string& path = work.file->server_path;
      const std::string& local = work.file->local_path;
      if (work.state.result != kResultOk) {
        FailItem(driver_, work, work.state.result, work.state.description, "",
                 kReportCheckingOutPrefix + path + kReportItemSuffix + work.state.description);
        continue;
      }
      bool fetch = true;
      if (work.local_exists) {
        if (SameAsServer(work)) {
          fetch = false;
        } else if (!IsReadOnly(local)) {
          const int32_t answer = handling_.Decide(
              kPromptWritableCopyPrefix + local + kPromptWritableCopySuffix, false);
          if (answer == Enum_WritableFileHandlingSkip || answer == Enum_WritableFileHandlingMerge) {
            fetch = false;
          } else if (answer != Enum_WritableFileHandlingReplace) {
            return EndOnPromptCancel(driver_, status_);
          }
        }
      }
      const std::string folder = SplitLocalPath(local).parent;
      if (!folder.empty() && CreateFolderPath(folder) != kResultOk) {
        const std::string why = kPrefixFailedToCreateFolder + folder;
        FailItem(driver_, work, kResultCreateFolderFailed, why,
                 kReportCheckingOutPrefix + path + kReportFileHeadingSuffix, why);
        continue;
      }
      entries_.push_back({&work, fetch, {}});
    }
    return kResultOk;
  }

  // Step 5.
  int32_t CheckOut() {
    driver_.SetPercentDone(20);
    const size_t total = entries_.size();
    for (size_t start = 0; start < total; start += kFilesPerRequest) {
      const size_t end = std::min(total, start + kFilesPerRequest);
      driver_.SetProgressRange(20 + static_cast<int32_t>(65 * start / total),
                               20 + static_cast<int32_t>(65 * end / total));
      CheckOutRequest request;
      request.comment = options_.comment;
      request.line_ending_mode = options_.eol;
      request.file_time_mode = options_.set_local_file_time;
      for (size_t i = start; i < end; ++i) {
        CheckOutRecord record;
        record.local_file_name = entries_[i].work->file->local_path;
        record.name = entries_[i].work->file->server_path;
        record.index = static_cast<int32_t>(i - start);
        record.server_path = entries_[i].work->file->server_path;
        record.local_copy_wanted = entries_[i].fetch;
        request.files.push_back(std::move(record));
      }
      RequestStatus request_status;
      const int32_t result = CheckOutFiles(context_.engine, request, &request_status);
      status_->canceled = request_status.canceled;
      status_->description = request_status.description;
      if (result != kResultOk || request_status.canceled) {
        return EndOnRequest(driver_, result, *status_, kReportCheckOutFailedPrefix);
      }
      last_description_ = request_status.description;
      for (size_t i = start; i < end; ++i) {
        CheckOutRecord& record = request.files[i - start];
        Entry& entry = entries_[i];
        if (record.status != kResultOk) {
          // The request delivered this file's line.
          entry.work->failed = true;
          entry.work->result->result = record.status;
          entry.work->result->description = record.description;
          continue;
        }
        entry.checked_out = std::move(record.checked_out);
      }
    }
    return kResultOk;
  }

  // Steps 6 to 8.
  int32_t Finish() {
    driver_.SetPercentDone(85);
    CacheStore* cache = context_.cache();
    if (cache == nullptr)
      return EndOnCache(driver_, kResultCacheUpdateFailed, kTextCacheUpdateFailed, status_);
    CacheLock lock(*cache);
    if (!lock.Take(driver_.cancel_flag()).ok())
      return EndOnCache(driver_, kResultCacheUpdateFailed, kTextCacheUpdateFailed, status_);
    CacheModel& model = cache->model();
    for (Entry& entry : entries_) {
      FileWork& work = *entry.work;
      if (work.failed) continue;
      const std::string& local = work.file->local_path;
      const std::string& path = work.file->server_path;
      if (PathExists(local) && !SetReadOnly(local, false)) {
        FailToFinish(work, kTextAttributeNotSetPrefix + local);
        continue;
      }
      if (entry.fetch) {
        bool time_set = false;
        const DATE time =
            ChooseFileTime(local, options_.set_local_file_time, entry.checked_out.modification_time,
                           entry.checked_out.check_in_time, &time_set);
        if (!time_set) {
          FailToFinish(work, kTextFileTimeNotSetPrefix + local);
          continue;
        }
        if (!RecordLocalCopy(model, path, local, entry.checked_out.version,
                             CacheDate::Valid(time))) {
          FailToFinish(work, kTextCacheRecordNotSetPrefix + path);
          continue;
        }
      }
      CacheFileEntry* cached = model.FindFile(path);
      if (cached == nullptr) cached = model.PutFile(path, CacheFileEntry{});
      if (cached == nullptr) {
        FailToFinish(work, kTextCacheRecordNotSetPrefix + path);
        continue;
      }
      cached->checkout_path = local;
      cached->user_name = context_.session.user_name;
      cached->status = entry.checked_out.file_status;
    }
    const CacheResult saved = lock.SaveAndRelease();
    if (!saved.ok()) return EndOnCache(driver_, kResultCacheSaveFailed, saved.description, status_);
    return kResultOk;
  }

  void FailToFinish(FileWork& work, const std::string& why) {
    const std::string description = kTextFinishFailedPrefix + why;
    FailItem(driver_, work, kResultSystemError, description, "",
             kReportCheckingOutPrefix + work.file->server_path + kReportItemSuffix + description);
  }

  const OperationContext& context_;
  OperationDriver& driver_;
  const std::vector<WorkingFile>& files_;
  const CheckOutOptions& options_;
  OperationStatus* status_;
  std::vector<ItemResult>* results_;
  PromptHandling handling_;
  std::vector<FileWork> work_;
  std::vector<Entry> entries_;
  std::string last_description_;
};

// ---- Undo check out ----------------------------------------------------------

enum class LocalAction { kNone, kAttributeOnly, kFetch, kDelete };

class UndoPass {
 public:
  UndoPass(const OperationContext& context, const std::vector<WorkingFile>& files,
           const UndoOptions& options, OperationStatus* status, std::vector<ItemResult>* results)
      : context_(context),
        driver_(context.driver),
        files_(files),
        options_(options),
        status_(status),
        results_(results),
        handling_(context.driver, PromptKind::kChangedFile, options.changed_handling,
                  Enum_UndoCheckOutChangedFileHandlingAsk) {}

  int32_t Run() {
    if (files_.empty()) {
      status_->description = kTextCompleted;
      driver_.Report("", kReportUndoEmpty, true);
      return kResultOk;
    }
    work_ = StartItems(files_, results_);
    driver_.SetPercentDone(5);
    driver_.SetProgressRange(5, 20);
    int32_t result = QueryStates();
    if (result == kResultOk) result = Decide();
    if (result == kResultOk) result = Undo();
    if (result == kResultOk) result = Fetch();
    if (result == kResultOk) result = Finish();
    if (result != kResultOk) return result;
    driver_.SetPercentDone(100);
    status_->description = last_description_;
    return kResultOk;
  }

 private:
  struct Entry {
    FileWork* work;
    LocalAction action;
    bool undone = false;
    bool fetched = false;
  };

  bool replace() const {
    return options_.local_handling == Enum_UndoCheckOutLocalFileHandlingReplace;
  }
  bool remove() const {
    return options_.local_handling == Enum_UndoCheckOutLocalFileHandlingDelete;
  }

  // Step 1.
  int32_t QueryStates() {
    for (FileWork& work : work_) work.local_exists = PathExists(work.file->local_path);
    if (!replace() && !remove()) return kResultOk;
    std::vector<StateQuery> queries;
    for (const FileWork& work : work_) queries.push_back({work.file->server_path, 0});
    std::vector<ServerFileState> states;
    const int32_t result =
        QueryServerStates(context_, queries, options_.eol, 5, 20, status_, &states);
    if (result != kResultOk) {
      return EndOnRequest(driver_, result, *status_, kReportCommonInfoFailedShortPrefix);
    }
    last_description_ = status_->description;
    for (size_t i = 0; i < work_.size(); ++i) work_[i].state = std::move(states[i]);
    return kResultOk;
  }

  // Step 2.
  int32_t Decide() {
    driver_.SetProgressRange(20, 50);
    for (FileWork& work : work_) {
      const std::string& path = work.file->server_path;
      const std::string& local = work.file->local_path;
      if (work.state.result != kResultOk) {
        FailItem(driver_, work, work.state.result, work.state.description,
                 kReportUndoingPrefix + path + kReportEllipsis, work.state.description);
        continue;
      }
      LocalAction action = LocalAction::kNone;
      if (replace() || remove()) {
        if (!work.local_exists) {
          action = replace() ? LocalAction::kFetch : LocalAction::kNone;
        } else if (SameAsServer(work)) {
          action = replace() ? LocalAction::kAttributeOnly : LocalAction::kDelete;
        } else {
          const int32_t answer = handling_.Decide(local + kPromptChangedFileSuffix);
          if (answer == Enum_UndoCheckOutChangedFileHandlingNotUndo) continue;
          if (answer != Enum_UndoCheckOutChangedFileHandlingUndo) {
            return EndOnPromptCancel(driver_, status_);
          }
          action = replace() ? LocalAction::kFetch : LocalAction::kDelete;
        }
      }
      entries_.push_back({&work, action});
    }
    return kResultOk;
  }

  // Step 3.
  int32_t Undo() {
    for (size_t start = 0; start < entries_.size(); start += kFilesPerRequest) {
      const size_t end = std::min(entries_.size(), start + kFilesPerRequest);
      UndoCheckOutCommand command;
      for (size_t i = start; i < end; ++i) {
        command.file_paths.push_back(entries_[i].work->file->server_path);
      }
      int32_t result = context_.Run(command, status_);
      if (result == kResultOk && status_->canceled) result = kResultRequestCanceled;
      if (result != kResultOk)
        return EndOnRequest(driver_, result, *status_, kReportUndoFailedPrefix);
      last_description_ = status_->description;
      for (size_t i = start; i < end; ++i) {
        const UndoneCheckOut& reply = command.reply[i - start];
        Entry& entry = entries_[i];
        if (reply.result != kResultOk) {
          FailItem(
              driver_, *entry.work, reply.result, reply.description,
              kReportUndoingPrefix + entry.work->file->server_path + kReportItemDirectorySuffix,
              reply.description);
          continue;
        }
        entry.undone = true;
      }
    }
    driver_.SetPercentDone(50);
    return kResultOk;
  }

  // Step 5's fetch, before the cache is taken.
  int32_t Fetch() {
    std::vector<Entry*> fetched;
    for (Entry& entry : entries_) {
      if (!entry.undone) continue;
      if (entry.action == LocalAction::kFetch &&
          IsDirectory(SplitLocalPath(entry.work->file->local_path).parent)) {
        fetched.push_back(&entry);
      }
    }
    const size_t total = fetched.size();
    for (size_t start = 0; start < total; start += kFilesPerRequest) {
      const size_t end = std::min(total, start + kFilesPerRequest);
      driver_.SetProgressRange(50 + static_cast<int32_t>(40 * start / total),
                               50 + static_cast<int32_t>(40 * end / total));
      GetFilesRequest request;
      request.line_ending_mode = options_.eol;
      request.file_time_mode = options_.set_local_file_time;
      for (size_t i = start; i < end; ++i) {
        GetFileRecord file;
        file.local_file_name = fetched[i]->work->file->local_path;
        file.name = fetched[i]->work->file->server_path;
        file.index = static_cast<int32_t>(i - start);
        file.server_path = fetched[i]->work->file->server_path;
        request.files.push_back(std::move(file));
      }
      RequestStatus request_status;
      const int32_t result = GetFiles(context_.engine, request, &request_status);
      status_->canceled = request_status.canceled;
      status_->description = request_status.description;
      if (result != kResultOk || request_status.canceled) {
        return EndOnRequest(driver_, result, *status_, kReportFetchFailedPrefix);
      }
      last_description_ = request_status.description;
      for (size_t i = start; i < end; ++i) {
        const GetFileRecord& file = request.files[i - start];
        if (file.status != kResultOk) {
          fetched[i]->work->failed = true;
          fetched[i]->work->result->result = file.status;
          fetched[i]->work->result->description = file.description;
          continue;
        }
        fetched[i]->fetched = true;
      }
    }
    return kResultOk;
  }

  // Steps 4 to 7 in the cache.
  int32_t Finish() {
    driver_.SetPercentDone(90);
    CacheStore* cache = context_.cache();
    if (cache == nullptr)
      return EndOnCache(driver_, kResultCacheUpdateFailed, kTextCacheUpdateFailed, status_);
    CacheLock lock(*cache);
    if (!lock.Take(driver_.cancel_flag()).ok())
      return EndOnCache(driver_, kResultCacheUpdateFailed, kTextCacheUpdateFailed, status_);
    CacheModel& model = cache->model();
    for (Entry& entry : entries_) {
      if (!entry.undone) continue;
      const std::string& path = entry.work->file->server_path;
      const std::string& local = entry.work->file->local_path;
      CacheFileEntry* cached = model.FindFile(path);
      if (cached != nullptr) cached->checkout_path.clear();
      if (entry.action == LocalAction::kDelete) {
        DeleteLocalFile(local);
        if (cached != nullptr) cached->RemoveLocalCopy(local);
        continue;
      }
      if (entry.action == LocalAction::kFetch && !entry.fetched) continue;
      if (!PathExists(local)) continue;
      if (options_.read_only_if_not_checked_out && !SetReadOnly(local, true)) {
        FailToFinish(*entry.work, kTextAttributeNotSetPrefix + local);
        continue;
      }
      if (entry.action == LocalAction::kNone) continue;
      const std::string why = RecordCurrentLocalCopy(model, path, local, entry.work->state.version);
      if (!why.empty()) FailToFinish(*entry.work, why);
    }
    const CacheResult saved = lock.SaveAndRelease();
    if (!saved.ok()) return EndOnCache(driver_, kResultCacheSaveFailed, saved.description, status_);
    return kResultOk;
  }

  void FailToFinish(FileWork& work, const std::string& why) {
    const std::string description = kTextFinishFailedPrefix + why;
    FailItem(driver_, work, kResultSystemError, description, "",
             kReportUndoingPrefix + work.file->server_path + kReportItemSuffix + description);
  }

  const OperationContext& context_;
  OperationDriver& driver_;
  const std::vector<WorkingFile>& files_;
  const UndoOptions& options_;
  OperationStatus* status_;
  std::vector<ItemResult>* results_;
  PromptHandling handling_;
  std::vector<FileWork> work_;
  std::vector<Entry> entries_;
  std::string last_description_;
};

int32_t WalkFor(const OperationContext& context, OperationKind kind, const std::string& project,
                const std::string& local_folder, bool recursive, bool create_folders,
                OperationStatus* status, std::vector<WorkingFile>* files) {
  WalkRequest walk;
  walk.project = project;
  walk.local_folder = local_folder;
  walk.recursive = recursive;
  walk.kind = kind;
  walk.create_folders = create_folders;
  return WalkProject(context, walk, status, files);
}

}  // namespace

int32_t CheckoutFiles(const OperationContext& context, const std::vector<WorkingFile>& files,
                      const CheckOutOptions& options, OperationStatus* status,
                      std::vector<ItemResult>* results) {
  context.BeginOperation();
  CheckOutPass pass(context, files, options, status, results);
  return pass.Run();
}

int32_t CheckoutProject(const OperationContext& context, const std::string& project,
                        const std::string& local_folder, bool recursive,
                        const CheckOutOptions& options, OperationStatus* status,
                        std::vector<ItemResult>* results) {
  context.BeginOperation();
  std::vector<WorkingFile> files;
  const int32_t result = WalkFor(context, OperationKind::kCheckOut, project, local_folder,
                                 recursive, true, status, &files);
  if (result != kResultOk || status->canceled) return result;
  CheckOutPass pass(context, files, options, status, results);
  return pass.Run();
}

int32_t UndoFilesCheckout(const OperationContext& context, const std::vector<WorkingFile>& files,
                          const UndoOptions& options, OperationStatus* status,
                          std::vector<ItemResult>* results) {
  context.BeginOperation();
  UndoPass pass(context, files, options, status, results);
  return pass.Run();
}

int32_t UndoProjectCheckout(const OperationContext& context, const std::string& project,
                            const std::string& local_folder, bool recursive,
                            const UndoOptions& options, OperationStatus* status,
                            std::vector<ItemResult>* results) {
  context.BeginOperation();
  std::vector<WorkingFile> files;
  const int32_t result = WalkFor(context, OperationKind::kUndoCheckOut, project, local_folder,
                                 recursive, false, status, &files);
  if (result != kResultOk || status->canceled) return result;
  UndoPass pass(context, files, options, status, results);
  return pass.Run();
}

}  // namespace qorv::ops
