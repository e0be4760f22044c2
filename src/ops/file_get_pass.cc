#include "ops/file_get_pass.h"

#include <algorithm>
#include <random>
#include <set>
#include <unordered_map>
#include <utility>

#include "local/binding_file.h"
#include "local/digest_batch.h"
#include "local/file_digest.h"
#include "local/file_layer.h"
#include "local/path_forms.h"
#include "local/qor_exception.h"
#include "local/working_folder.h"
#include "ops/report_texts.h"
#include "platform/com/ascii_case.h"

namespace qorv::ops {
namespace {

constexpr int32_t kProgressStart = 5;
constexpr int32_t kProgressInfoDone = 15;
constexpr int32_t kProgressFetched = 90;
constexpr int32_t kProgressDone = 100;

// What the pass knows of one item as it goes.
struct Work {
  PassItem* item = nullptr;
  ItemResult* result = nullptr;
  bool failed = false;
  bool local_exists = false;
  FileDigest local_digest;  // of an existing local file
  ServerFileState state;
  // Step 5's outcome.
  bool fetch = false;
  bool confirmed = false;
  int32_t confirmed_version = 0;
  DATE confirmed_time = 0;
  // Step 6's reply for a fetched file.
  OfferedFile offered;
  bool fetched = false;
};

enum class Decision { kFetch, kLeave, kCanceled };

class Pass {
 public:
  Pass(const OperationContext& context, FileGetPass& pass, OperationStatus* status,
       std::vector<ItemResult>* results)
      : context_(context),
        driver_(context.driver),
        pass_(pass),
        status_(status),
        results_(results),
        handling_(context.driver, PromptKind::kWritableFile, pass.options.writable_handling,
                  Enum_WritableFileHandlingAsk) {}

  int32_t Run() {
    if (pass_.items.empty()) {
      status_->description = kTextCompleted;
      driver_.Report(kReportGettingFilesEmpty, kTextCompleted, true);
      return kResultOk;
    }
    driver_.SetPercentDone(kProgressStart);
    driver_.SetProgressRange(kProgressStart, kProgressInfoDone);
    LookAtLocalPaths();
    RemoveStaleTemporaries();
    // The local files are digested while the server is asked for its own
    // digests: on a tree that has not changed, that is most of the work.
    std::vector<std::string> local_files;
    std::vector<Work*> digested;
    for (Work& work : work_) {
      if (work.failed || !work.local_exists) continue;
      local_files.push_back(work.item->local_path);
      digested.push_back(&work);
    }
    DigestBatch digests(std::move(local_files), driver_.cancel_flag());
    int32_t result = AskServerState();
    if (result == kResultOk) result = AskCheckOutRecords();
    const std::vector<FileDigest>& taken = digests.Wait();
    for (size_t i = 0; i < digested.size(); ++i) digested[i]->local_digest = taken[i];
    if (result == kResultOk) result = DecideEach();
    if (result == kResultOk) result = Fetch();
    if (result != kResultOk) return result;
    if (pass_.dated() && fetch_count_ == 0) {
      driver_.SetPercentDone(kProgressDone);
      driver_.Report(
          "", kReportGettingPrefix + pass_.project_path + kReportProjectSeparator + kTextCompleted,
          true);
      return kResultOk;
    }
    driver_.SetPercentDone(kProgressFetched);
    result = FinishAndRecord();
    if (result != kResultOk) return result;
    driver_.SetPercentDone(kProgressDone);
    status_->description = last_description_;
    return kResultOk;
  }

 private:
  // ---- Step 2 ----
  void LookAtLocalPaths() {
    work_.resize(pass_.items.size());
    results_->reserve(results_->size() + pass_.items.size());
    const size_t first = results_->size();
    for (PassItem& item : pass_.items) results_->push_back(ItemResult{item.server_path});
    for (size_t i = 0; i < pass_.items.size(); ++i) {
      Work& work = work_[i];
      work.item = &pass_.items[i];
      work.result = &(*results_)[first + i];
      if (work.item->state) work.state = *work.item->state;
      const std::string& local = work.item->local_path;
      if (IsDirectory(local)) {
        Fail(work, kResultNameInTheWay,
             (pass_.dated() ? kTextFolderInTheWayPrefix : kTextDirectoryInTheWayPrefix) + local +
                 kTextAlreadyExistsSuffix,
             kReportItemDirectorySuffix);
        continue;
      }
      work.local_exists = PathExists(local);
    }
  }

  // What a client killed in the middle of a download left beside the
  // targets: its replacement temporaries (docs/file-operations.md, "After a
  // killed client"). One listing per folder of the pass.
  void RemoveStaleTemporaries() {
    std::set<std::string> folders;
    for (const PassItem& item : pass_.items) {
      const std::string& local = item.local_path;
      const size_t slash = local.find_last_of('/');
      if (slash != std::string::npos) folders.insert(local.substr(0, slash == 0 ? 1 : slash));
    }
    for (const std::string& folder : folders) FileLayer::Shared().RemoveStaleReplacements(folder);
  }

  // ---- Step 3 ----
  int32_t AskServerState() {
    std::vector<Work*> asked;
    std::vector<StateQuery> queries;
    for (Work& work : work_) {
      if (work.failed || work.item->state) continue;
      asked.push_back(&work);
      queries.push_back({work.item->server_path, work.item->version});
    }
    std::vector<ServerFileState> states;
    const int32_t result = QueryServerStates(context_, queries, pass_.options.eol, kProgressStart,
                                             kProgressInfoDone, status_, &states);
    if (result != kResultOk)
      return EndOnRequest(driver_, result, *status_, kReportCommonInfoFailedPrefix);
    if (!asked.empty()) last_description_ = status_->description;
    for (size_t i = 0; i < asked.size(); ++i) asked[i]->state = std::move(states[i]);
    return kResultOk;
  }

  // ---- Step 4 ----
  int32_t AskCheckOutRecords() {
    std::vector<std::string> paths;
    for (const Work& work : work_) {
      if (!work.failed && work.state.result == kResultOk && work.state.checked_out_by_user) {
        paths.push_back(work.item->server_path);
      }
    }
    if (paths.empty()) return kResultOk;
    std::vector<CheckOutStateResult> records;
    const int32_t result = QueryCheckOutRecords(context_, paths, status_, &records);
    if (result != kResultOk)
      return EndOnRequest(driver_, result, *status_, kReportCheckOutStateFailedPrefix);
    last_description_ = status_->description;
    for (size_t i = 0; i < paths.size(); ++i) check_outs_[AsciiUpper(paths[i])] = records[i];
    return kResultOk;
  }

  // ---- Step 5 ----
  int32_t DecideEach() {
    for (Work& work : work_) {
      if (work.failed) continue;
      if (driver_.CancelRequested()) return EndCanceled(kResultRequestCanceled);
      if (work.state.result != kResultOk) {
        Fail(work, work.state.result, work.state.description, kReportItemSuffix);
        continue;
      }
      if (!work.local_exists) {
        PrepareFetch(work);
        continue;
      }
      const FileDigest& local = work.local_digest;
      if (local.ok() && local.bytes == work.state.digest) {
        Confirm(work, work.state.version);
        continue;
      }
      if (IsReadOnly(work.item->local_path)) {
        PrepareFetch(work);
        continue;
      }
      switch (DecideWritable(work)) {
        case Decision::kFetch:
          PrepareFetch(work);
          break;
        case Decision::kLeave:
          break;
        case Decision::kCanceled:
          return EndCanceled(kResultPromptCanceled);
      }
    }
    return kResultOk;
  }

  // An unchanged (or merged) local copy: its attribute set now, recorded in
  // step 8 with its current last-write time.
  void Confirm(Work& work, int32_t version) {
    const std::string& local = work.item->local_path;
    if (!SetReadOnlyAfterGet(local, pass_.options.make_writable, work.state.checked_out_by_user)) {
      FailToFinish(work, kTextAttributeNotSetPrefix + local);
      return;
    }
    try {
      work.confirmed_time = LastWriteDate(local);
    } catch (const CQORException& error) {
      FailToFinish(work, error.message());
      return;
    }
    work.confirmed = true;
    work.confirmed_version = version;
  }

  void PrepareFetch(Work& work) {
    const std::string folder = SplitLocalPath(work.item->local_path).parent;
    if (!folder.empty() && CreateFolderPath(folder) != kResultOk) {
      const std::string why =
          (pass_.dated() ? kTextFailedToCreateFolder : kPrefixFailedToCreateFolder) + folder;
      work.failed = true;
      work.result->result = kResultCreateFolderFailed;
      work.result->description = why;
      driver_.Report(kReportGettingPrefix + work.item->server_path + kReportFileHeadingSuffix, why,
                     false);
      return;
    }
    work.fetch = true;
    ++fetch_count_;
  }

  Decision DecideWritable(Work& work) {
    const bool checked_out = work.state.checked_out_by_user;
    const std::string& local = work.item->local_path;
    const int32_t handling = handling_.Decide(
        checked_out ? local + kPromptCheckedOutSuffix
                    : kPromptWritableCopyPrefix + local + kPromptWritableCopySuffix,
        checked_out);
    switch (handling) {
      case Enum_WritableFileHandlingReplace:
        return Decision::kFetch;
      case Enum_WritableFileHandlingSkip:
        return Decision::kLeave;
      case Enum_WritableFileHandlingMerge:
        if (checked_out) Merge(work);
        return Decision::kLeave;
      default:
        return Decision::kCanceled;
    }
  }

  // The user's changes and the server's newer version combined by the
  // merge tool; see the writable-file decision in the header.
  void Merge(Work& work) {
    const auto found = check_outs_.find(AsciiUpper(work.item->server_path));
    if (found == check_outs_.end()) return;
    const CheckOutStateResult& record = found->second;
    if (record.version_checked_out >= record.latest_version) return;
    ServerMerge merge;
    merge.server_path = work.item->server_path;
    merge.local_path = work.item->local_path;
    merge.current_version = record.latest_version;
    merge.base_version = record.version_checked_out;
    std::random_device random;
    merge.temp_number = std::to_string(random() % 100000);
    merge.eol = pass_.options.eol;
    merge.set_local_file_time = pass_.options.set_local_file_time;
    merge.tool = pass_.options.merge_tool;
    merge.arguments = pass_.options.merge_arguments;
    std::string description;
    bool request_failed = false;
    const int32_t result = MergeWithServer(context_, merge, &description, &request_failed);
    if (result != kResultOk) {
      Fail(work, result, description, kReportItemMergeSuffix);
      return;
    }
    Confirm(work, record.latest_version);
  }

  // ---- Step 6 ----
  int32_t Fetch() {
    driver_.SetPercentDone(kProgressInfoDone);
    std::vector<Work*> fetched;
    for (Work& work : work_) {
      if (work.fetch) fetched.push_back(&work);
    }
    const size_t total = fetched.size();
    for (size_t start = 0; start < total; start += kFilesPerRequest) {
      const size_t end = std::min(total, start + kFilesPerRequest);
      const int32_t span = kProgressFetched - kProgressInfoDone;
      driver_.SetProgressRange(kProgressInfoDone + static_cast<int32_t>(span * start / total),
                               kProgressInfoDone + static_cast<int32_t>(span * end / total));
      GetFilesRequest request;
      request.form = pass_.form;
      request.project_path = pass_.project_path;
      request.project_version = pass_.project_version;
      request.date = pass_.date;
      request.recursive = pass_.recursive;
      request.line_ending_mode = pass_.options.eol;
      request.file_time_mode = pass_.options.set_local_file_time;
      request.files.reserve(end - start);
      for (size_t i = start; i < end; ++i) {
        GetFileRecord file;
        file.local_file_name = fetched[i]->item->local_path;
        file.name = fetched[i]->item->server_path;
        file.index = static_cast<int32_t>(i - start);
        file.server_path = fetched[i]->item->server_path;
        file.version = fetched[i]->item->version;
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
        GetFileRecord& file = request.files[i - start];
        Work& work = *fetched[i];
        if (file.status != kResultOk) {
          // The transfer delivered this file's failure line.
          work.failed = true;
          work.result->result = file.status;
          work.result->description = file.description;
          continue;
        }
        work.offered = std::move(file.offered);
        work.fetched = true;
      }
    }
    return kResultOk;
  }

  // ---- Steps 7 to 9 ----
  int32_t FinishAndRecord() {
    bool any = false;
    for (const Work& work : work_) any = any || work.confirmed || work.fetched;
    if (!any) return kResultOk;
    CacheStore* cache = context_.cache();
    if (cache == nullptr)
      return EndOnCache(driver_, kResultCacheUpdateFailed, kTextCacheUpdateFailed, status_);
    CacheLock lock(*cache);
    const CacheResult updated = lock.Take(driver_.cancel_flag());
    if (!updated.ok())
      return EndOnCache(driver_, kResultCacheUpdateFailed, kTextCacheUpdateFailed, status_);
    for (Work& work : work_) {
      if (work.confirmed) Record(*cache, work, work.confirmed_version, work.confirmed_time);
    }
    BindingFile binding;
    bool binding_open = false;
    for (Work& work : work_) {
      if (!work.fetched) continue;
      if (!FinishFetched(*cache, work)) continue;
      if (pass_.dated()) MaintainBinding(binding, &binding_open, work);
    }
    if (binding_open) WriteBinding(binding);
    const CacheResult saved = lock.SaveAndRelease();
    if (!saved.ok()) return EndOnCache(driver_, kResultCacheSaveFailed, saved.description, status_);
    return kResultOk;
  }

  bool FinishFetched(CacheStore& cache, Work& work) {
    const std::string& local = work.item->local_path;
    if (!SetReadOnlyAfterGet(local, pass_.options.make_writable, work.state.checked_out_by_user)) {
      FailToFinish(work, kTextAttributeNotSetPrefix + local);
      return false;
    }
    bool time_set = false;
    const DATE time =
        ChooseFileTime(local, pass_.options.set_local_file_time, work.offered.modification_time,
                       work.offered.check_in_time, &time_set);
    if (!time_set) {
      FailToFinish(work, kTextFileTimeNotSetPrefix + local);
      return false;
    }
    return Record(cache, work, work.state.version, time);
  }

  bool Record(CacheStore& cache, Work& work, int32_t version, DATE time) {
    if (RecordLocalCopy(cache.model(), work.item->server_path, work.item->local_path, version,
                        CacheDate::Valid(time))) {
      return true;
    }
    FailToFinish(work, kTextCacheRecordNotSetPrefix + work.item->server_path);
    return false;
  }

  // The binding file of each folder the dated get writes into: the one held
  // is written when the next file goes to another folder (letter case
  // ignored), and the entry of the file's project added for every file.
  void MaintainBinding(BindingFile& binding, bool* open, const Work& work) {
    const std::string folder = SplitLocalPath(work.item->local_path).parent;
    const std::string path = BindingFilePathOf(folder);
    if (!*open || AsciiUpper(path) != AsciiUpper(binding.path())) {
      if (*open) WriteBinding(binding);
      binding = BindingFile();
      binding.SetPath(path);
      *open = true;
      if (PathExists(path)) {
        const BindingResult read = binding.Read();
        if (!read.ok) driver_.Report("", read.description, false);
      }
    }
    const SplitPath server = SplitServerPath(work.item->server_path);
    const SessionState& session = context_.session;
    binding.SetConnection(session.server_name, session.server_port, session.database,
                          server.parent);
    binding.AddProjectFile(server.name);
  }

  void WriteBinding(BindingFile& binding) {
    const BindingResult written = binding.Write();
    if (!written.ok) driver_.Report("", written.description, false);
  }

  // ---- Shared endings ----
  void Fail(Work& work, int32_t result, const std::string& description, const char* separator) {
    work.failed = true;
    work.fetch = false;
    work.result->result = result;
    work.result->description = description;
    driver_.Report("", kReportGettingPrefix + work.item->server_path + separator + description,
                   false);
  }

  void FailToFinish(Work& work, const std::string& why) {
    work.confirmed = false;
    Fail(work, kResultSystemError, kTextFinishFailedPrefix + why, kReportItemSuffix);
  }

  int32_t EndCanceled(int32_t result) {
    status_->canceled = true;
    status_->description = kTextCanceled;
    driver_.SetPercentDone(kProgressDone);
    return result;
  }

  const OperationContext& context_;
  OperationDriver& driver_;
  FileGetPass& pass_;
  OperationStatus* status_;
  std::vector<ItemResult>* results_;
  PromptHandling handling_;
  std::vector<Work> work_;
  std::unordered_map<std::string, CheckOutStateResult> check_outs_;  // by upper-cased path
  size_t fetch_count_ = 0;
  std::string last_description_;
};

}  // namespace

int32_t RunFileGetPass(const OperationContext& context, FileGetPass& pass, OperationStatus* status,
                       std::vector<ItemResult>* results) {
  Pass run(context, pass, status, results);
  return run.Run();
}

}  // namespace qorv::ops
