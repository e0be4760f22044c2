#include "ops/add_operations.h"

#include <algorithm>
#include <utility>

#include "local/file_layer.h"
#include "local/path_forms.h"
#include "local/working_folder.h"
#include "net/format_text.h"
#include "ops/file_steps.h"
#include "ops/report_texts.h"
#include "ops/tree_edits.h"
#include "protocol/multi_step_requests.h"
#include "protocol/tree_commands.h"
#include "qorvsdk/enums.h"

namespace qorv::ops {
namespace {

// The characters an item name may not hold on the server, besides control
// bytes: the separators and the wildcard and device characters of the
// file systems the server's databases come from.
constexpr std::string_view kForbiddenInItemNames = "/\\:*?\"<>|";

class AddPass {
 public:
  AddPass(const OperationContext& context, const std::vector<FileToAdd>& files,
          const AddOptions& options, OperationStatus* status, std::vector<ItemResult>* results)
      : context_(context),
        driver_(context.driver),
        files_(files),
        options_(options),
        status_(status),
        results_(results),
        handling_(context.driver, PromptKind::kDeletedCopy, options.deleted_copy_handling,
                  Enum_AddFileDeletedCopyHandlingAskAdd) {}

  int32_t Run() {
    if (files_.empty()) {
      status_->description = kTextCompleted;
      driver_.Report(kReportAddingFilesEmpty, kTextCompleted, true);
      return kResultOk;
    }
    driver_.SetPercentDone(5);
    LookAtLocalFiles();
    int32_t result = CheckNames();
    if (result == kResultOk) result = Decide();
    if (result == kResultOk) result = Purge();
    if (result == kResultOk) result = Recover();
    if (result == kResultOk) result = Add();
    if (result == kResultOk) result = Finish();
    if (result != kResultOk) return result;
    driver_.SetPercentDone(100);
    status_->description = last_description_;
    return kResultOk;
  }

 private:
  enum class Fate { kFailed, kPending, kAdd, kPurgeThenAdd, kRecover };

  struct Work {
    const FileToAdd* file = nullptr;
    ItemResult* result = nullptr;
    Fate fate = Fate::kFailed;
    AddCheckResult check;
    int32_t version = 0;  // of a recovered file
    double date = 0;      // check-in time of an added file
  };

  // Step 1.
  void LookAtLocalFiles() {
    const size_t first = results_->size();
    for (const FileToAdd& file : files_) results_->push_back(ItemResult{file.server_path});
    work_.resize(files_.size());
    for (size_t i = 0; i < files_.size(); ++i) {
      Work& work = work_[i];
      work.file = &files_[i];
      work.result = &(*results_)[first + i];
      const std::string& local = work.file->local_path;
      std::string why;
      int32_t result = kResultOk;
      if (LocalNameTooLong(local)) {
        result = kResultLocalNameTooLong;
        why = FormatText(kFormatLocalNameTooLong, local.c_str());
      } else if (IsDirectory(local)) {
        result = kResultNameInTheWay;
        why = kTextDirectoryInTheWayPrefix + local + kTextDirectoryNotAddedSuffix;
      } else if (!PathExists(local)) {
        result = kResultLocalFileNotFound;
        why = local + kSuffixNotFound;
      } else if (!IsStorableItemName(SplitServerPath(work.file->server_path).name, &why)) {
        result = kResultUnsafeServerName;
      }
      if (result != kResultOk) {
        Fail(work, result, why, kReportAddingPrefix + local + kReportEllipsis, why);
        continue;
      }
      work.fate = Fate::kPending;
    }
  }

  // Step 2.
  int32_t CheckNames() {
    std::vector<Work*> asked;
    for (Work& work : work_) {
      if (work.fate == Fate::kPending) asked.push_back(&work);
    }
    for (size_t start = 0; start < asked.size(); start += kFilesPerRequest) {
      const size_t end = std::min(asked.size(), start + kFilesPerRequest);
      AddCheckCommand command;
      for (size_t i = start; i < end; ++i) {
        command.entries.push_back({asked[i]->file->server_path, false});
      }
      int32_t result = context_.Run(command, status_);
      if (result == kResultOk && status_->canceled) result = kResultRequestCanceled;
      if (result != kResultOk)
        return EndOnRequest(driver_, result, *status_, kReportAddCheckFailedPrefix);
      last_description_ = status_->description;
      for (size_t i = start; i < end; ++i) asked[i]->check = command.reply[i - start];
    }
    return kResultOk;
  }

  // Step 3.
  int32_t Decide() {
    driver_.SetPercentDone(10);
    for (Work& work : work_) {
      if (work.fate != Fate::kPending) continue;
      const std::string& path = work.file->server_path;
      const std::string& local = work.file->local_path;
      const std::string heading = kReportAddingPrefix + local + kReportAddingItemSeparator;
      if (work.check.deleted_copy_exists) {
        const int32_t answer =
            handling_.Decide(kPromptDeletedCopyPrefix + path + kPromptDeletedCopySuffix);
        if (answer == Enum_AddFileDeletedCopyHandlingPurge) {
          work.fate = Fate::kPurgeThenAdd;
        } else if (answer == Enum_AddFileDeletedCopyHandlingRecover) {
          work.fate = Fate::kRecover;
        } else {
          return EndOnPromptCancel(driver_, status_);
        }
      } else if (work.check.live_item_exists) {
        const std::string why = kTextFileExistsPrefix + path + kTextFileExistsSuffix;
        Fail(work, kResultFileAlreadyInProject, why, "", heading + why);
      } else if (work.check.type_excluded) {
        Fail(work, kResultFileTypeExcluded, kTextFileTypeExcluded, "",
             heading + kTextFileTypeExcluded);
      } else {
        work.fate = Fate::kAdd;
      }
    }
    return kResultOk;
  }

  // Step 4.
  int32_t Purge() {
    driver_.SetPercentDone(15);
    std::vector<Work*> purged;
    for (Work& work : work_) {
      if (work.fate == Fate::kPurgeThenAdd) purged.push_back(&work);
    }
    for (size_t start = 0; start < purged.size(); start += kFilesPerRequest) {
      const size_t end = std::min(purged.size(), start + kFilesPerRequest);
      PurgeItemsCommand command;
      for (size_t i = start; i < end; ++i)
        command.item_paths.push_back(purged[i]->file->server_path);
      int32_t result = context_.Run(command, status_);
      if (result == kResultOk && status_->canceled) result = kResultRequestCanceled;
      if (result != kResultOk) {
        driver_.SetPercentDone(100);
        driver_.Report(kReportPurgingFiles, status_->description, false);
        return result;
      }
      for (size_t i = start; i < end; ++i) {
        const EntryResult& entry = command.reply[i - start];
        Work& work = *purged[i];
        driver_.Report(kReportPurgingPrefix + work.file->server_path + kReportEllipsis,
                       entry.description, entry.result == kResultOk);
        if (entry.result == kResultOk) {
          work.fate = Fate::kAdd;
        } else {
          Fail(work, entry.result, entry.description, "", "");
        }
      }
    }
    return kResultOk;
  }

  // Step 5.
  int32_t Recover() {
    driver_.SetPercentDone(25);
    std::vector<Work*> recovered;
    for (Work& work : work_) {
      if (work.fate == Fate::kRecover) recovered.push_back(&work);
    }
    if (recovered.empty()) return kResultOk;
    std::vector<RecoveredItem> replies;
    for (size_t start = 0; start < recovered.size(); start += kFilesPerRequest) {
      const size_t end = std::min(recovered.size(), start + kFilesPerRequest);
      RecoverItemsCommand command;
      for (size_t i = start; i < end; ++i) {
        command.item_paths.push_back(recovered[i]->file->server_path);
      }
      int32_t result = context_.Run(command, status_);
      if (result == kResultOk && status_->canceled) result = kResultRequestCanceled;
      if (result != kResultOk) {
        driver_.SetPercentDone(100);
        driver_.Report(kReportRecoveringFiles, status_->description, false);
        return result;
      }
      replies.insert(replies.end(), command.reply.begin(), command.reply.end());
    }
    std::vector<StateQuery> queries;
    for (const Work* work : recovered) queries.push_back({work->file->server_path, 0});
    std::vector<ServerFileState> states;
    const int32_t result =
        QueryServerStates(context_, queries, options_.eol, 25, 35, status_, &states);
    if (result != kResultOk)
      return EndOnRequest(driver_, result, *status_, kReportRecoveringFailedPrefix);
    CacheStore* cache = context_.cache();
    if (cache == nullptr)
      return EndOnCache(driver_, kResultCacheUpdateFailed, kTextCacheUpdateFailed, status_);
    CacheLock lock(*cache);
    if (!lock.Take(driver_.cancel_flag()).ok()) {
      return EndOnCache(driver_, kResultCacheUpdateFailed, kTextCacheUpdateFailed, status_);
    }
    for (size_t i = 0; i < recovered.size(); ++i) {
      Work& work = *recovered[i];
      const RecoveredItem& reply = replies[i];
      const std::string& path = work.file->server_path;
      driver_.Report(kReportRecoveringPrefix + path + kReportEllipsis, reply.description,
                     reply.result == kResultOk);
      work.result->result = reply.result;
      work.result->description = reply.description;
      if (reply.result != kResultOk) continue;
      CacheFileEntry entry;
      if (const CacheFileEntry* existing = cache->model().FindFile(path)) entry = *existing;
      entry.version = states[i].version;
      cache->model().PutFile(path, std::move(entry));
    }
    const CacheResult saved = lock.SaveAndRelease();
    if (!saved.ok()) return EndOnCache(driver_, kResultCacheSaveFailed, saved.description, status_);
    return kResultOk;
  }

  // Step 6.
  int32_t Add() {
    driver_.SetPercentDone(35);
    std::vector<Work*> added;
    for (Work& work : work_) {
      if (work.fate == Fate::kAdd) added.push_back(&work);
    }
    const size_t total = added.size();
    for (size_t start = 0; start < total; start += kFilesPerRequest) {
      const size_t end = std::min(total, start + kFilesPerRequest);
      driver_.SetProgressRange(35 + static_cast<int32_t>(60 * start / total),
                               35 + static_cast<int32_t>(60 * end / total));
      AddFilesRequest request;
      request.comment = options_.comment;
      request.line_ending_mode = options_.eol;
      for (size_t i = start; i < end; ++i) {
        AddFileRecord record;
        record.local_file_name = added[i]->file->local_path;
        record.name = added[i]->file->local_path;
        record.index = static_cast<int32_t>(i - start);
        record.server_path = added[i]->file->server_path;
        record.file_type = added[i]->file->file_type;
        record.store_latest_only = options_.store_only_latest;
        request.files.push_back(std::move(record));
      }
      RequestStatus request_status;
      const int32_t result = AddFiles(context_.engine, request, &request_status);
      status_->canceled = request_status.canceled;
      status_->description = request_status.description;
      if (request_status.canceled) {
        driver_.SetPercentDone(100);
        return kResultPromptCanceled;
      }
      if (result != kResultOk)
        return EndOnRequest(driver_, result, *status_, kReportAddFailedPrefix);
      last_description_ = request_status.description;
      for (size_t i = start; i < end; ++i) {
        const AddFileRecord& record = request.files[i - start];
        Work& work = *added[i];
        if (record.status != kResultOk) {
          // The request delivered this file's line.
          work.fate = Fate::kFailed;
          work.result->result = record.status;
          work.result->description = record.description;
          continue;
        }
        work.date = record.date;
      }
    }
    return kResultOk;
  }

  // Steps 7 and 8.
  int32_t Finish() {
    driver_.SetPercentDone(95);
    CacheStore* cache = context_.cache();
    if (cache == nullptr)
      return EndOnCache(driver_, kResultCacheUpdateFailed, kTextCacheUpdateFailed, status_);
    CacheLock lock(*cache);
    if (!lock.Take(driver_.cancel_flag()).ok()) {
      return EndOnCache(driver_, kResultCacheUpdateFailed, kTextCacheUpdateFailed, status_);
    }
    CacheModel& model = cache->model();
    for (Work& work : work_) {
      if (work.fate != Fate::kAdd) continue;
      const std::string& local = work.file->local_path;
      const std::string& path = work.file->server_path;
      if (options_.read_only_if_not_checked_out && PathExists(local) && !SetReadOnly(local, true)) {
        FailToFinish(work, kTextAttributeNotSetPrefix + local);
        continue;
      }
      CacheFileEntry entry;
      if (const CacheFileEntry* existing = model.FindFile(path)) entry = *existing;
      entry.version = 1;
      entry.latest_version_date = CacheDate::Valid(work.date);
      entry.user_name = context_.session.user_name;
      if (model.PutFile(path, std::move(entry)) == nullptr) {
        FailToFinish(work, kTextCacheRecordNotSetPrefix + path);
        continue;
      }
      const std::string why = RecordCurrentLocalCopy(model, path, local, 1);
      if (!why.empty()) FailToFinish(work, why);
    }
    const CacheResult saved = lock.SaveAndRelease();
    if (!saved.ok()) return EndOnCache(driver_, kResultCacheSaveFailed, saved.description, status_);
    return kResultOk;
  }

  void Fail(Work& work, int32_t result, const std::string& description, const std::string& heading,
            const std::string& outcome) {
    work.fate = Fate::kFailed;
    work.result->result = result;
    work.result->description = description;
    if (!heading.empty() || !outcome.empty()) driver_.Report(heading, outcome, false);
  }

  void FailToFinish(Work& work, const std::string& why) {
    const std::string description = kTextFinishFailedPrefix + why;
    Fail(work, kResultSystemError, description, "",
         kReportAddingPrefix + work.file->local_path + kReportAddingItemSeparator + description);
  }

  const OperationContext& context_;
  OperationDriver& driver_;
  const std::vector<FileToAdd>& files_;
  const AddOptions& options_;
  OperationStatus* status_;
  std::vector<ItemResult>* results_;
  PromptHandling handling_;
  std::vector<Work> work_;
  std::string last_description_;
};

// The folder's files and, with `recursive`, its sub-folders as projects
// below `project`, names sorted so that the order does not depend on the
// file system's.
void CollectFolder(const OperationContext& context, const std::string& folder,
                   const std::string& project, bool recursive, int32_t file_type, int depth,
                   std::vector<std::string>* projects, std::vector<FileToAdd>* files) {
  constexpr int kMaxDepth = 512;  // no real tree is deeper; a deeper one is cut
  projects->push_back(project);
  std::vector<platform::FolderEntry> entries = FileLayer::Shared().ListFolder(folder);
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  for (const platform::FolderEntry& entry : entries) {
    if (entry.is_directory) continue;
    files->push_back(
        {JoinLocalPath(folder, entry.name), JoinServerPath(project, entry.name), file_type});
  }
  if (!recursive || depth >= kMaxDepth) return;
  for (const platform::FolderEntry& entry : entries) {
    if (!entry.is_directory) continue;
    std::string why;
    const std::string local = JoinLocalPath(folder, entry.name);
    if (!IsStorableItemName(entry.name, &why)) {
      context.driver.Report(kReportAddingPrefix + local + kReportEllipsis, why, false);
      continue;
    }
    CollectFolder(context, local, JoinServerPath(project, entry.name), recursive, file_type,
                  depth + 1, projects, files);
  }
}

}  // namespace

bool IsStorableItemName(std::string_view name, std::string* description) {
  const bool control = std::any_of(name.begin(), name.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x20; });
  if (name.empty() || name == "." || name == ".." || name.front() == '$' || control ||
      name.find_first_of(kForbiddenInItemNames) != std::string_view::npos) {
    *description = kTextNameRefusedPrefix + std::string(name) + kTextNameRefusedSuffix;
    return false;
  }
  return true;
}

int32_t AddFiles(const OperationContext& context, const std::vector<FileToAdd>& files,
                 const AddOptions& options, OperationStatus* status,
                 std::vector<ItemResult>* results) {
  context.BeginOperation();
  AddPass pass(context, files, options, status, results);
  return pass.Run();
}

int32_t AddFolder(const OperationContext& context, const std::string& project,
                  const std::string& local_folder, bool recursive, int32_t file_type,
                  const AddOptions& options, OperationStatus* status,
                  std::vector<ItemResult>* results) {
  context.BeginOperation();
  if (!IsDirectory(local_folder)) {
    status->description = kTextLocalFolderNotFound;
    context.driver.Report("", kReportAddingFolderFailedPrefix + status->description, false);
    return kResultLocalFolderNotFound;
  }
  std::string folder = local_folder;
  while (folder.size() > 1 && folder.back() == kLocalSeparator) folder.pop_back();
  const std::string name = SplitLocalPath(folder).name;
  std::string why;
  if (!IsStorableItemName(name, &why)) {
    status->description = why;
    context.driver.Report("", kReportAddingFolderFailedPrefix + why, false);
    return kResultUnsafeServerName;
  }
  std::vector<std::string> projects;
  std::vector<FileToAdd> files;
  CollectFolder(context, folder, JoinServerPath(project, name), recursive, file_type, 0, &projects,
                &files);
  const int32_t result = CreateProjects(context, projects, options.comment, status);
  if (result != kResultOk || status->canceled) return result;
  AddOptions purging = options;
  purging.deleted_copy_handling = Enum_AddFileDeletedCopyHandlingPurge;
  AddPass pass(context, files, purging, status, results);
  return pass.Run();
}

}  // namespace qorv::ops
