// ShareProjectFrom, ShareFilesFrom and Branch (tree_edits.h).
#include <utility>

#include "ops/report_texts.h"
#include "ops/tree_edit_steps.h"
#include "ops/tree_edits.h"
#include "platform/com/ascii_case.h"
#include "protocol/query_commands.h"
#include "protocol/tree_commands.h"
#include "qorvsdk/enums.h"

namespace qorv::ops {
namespace {

constexpr char kRootProject[] = "$/";

// Whether sharing `project` recursively into `target` would put it under
// itself: the root, the project itself, or a target below it. Compared
// without regard to ASCII case, so a byte of a multibyte character is never
// folded.
bool SharedUnderItself(const std::string& project, const std::string& target) {
  const std::string shared = AsciiUpper(project);
  const std::string into = AsciiUpper(target);
  if (shared == kRootProject || into == shared) return true;
  return into.size() > shared.size() && into[shared.size()] == '/' && into.starts_with(shared);
}

// The status of a file entry once the file has another link.
int32_t SharedStatus(int32_t status) {
  switch (status) {
    case Enum_FileStatusNormal:
      return Enum_FileStatusShared;
    case Enum_FileStatusPinned:
      return Enum_FileStatusPinnedAndShared;
    case Enum_FileStatusExclusiveCheckout:
      return Enum_FileStatusSingleCheckoutSharedFile;
    case Enum_FileStatusMultiCheckout:
      return Enum_FileStatusMultiCheckoutSharedFile;
    default:
      return status;
  }
}

std::string SharedPath(const std::string& target, const std::string& file) {
  std::string path = target;
  if (path.empty() || path.back() != '/') path += '/';
  return path + LeafName(file);
}

// The version (command 67) and its date (command 23; 67 carries no date) of
// a file just branched, into `entry`. A failure of either, or of the file's
// own entry of 67, gives its result and description.
int32_t ReadBranchedVersion(const OperationContext& context, const std::string& shared_path,
                            OperationStatus* status, CacheFileEntry* entry) {
  FileStatusCommand state;
  state.entries = {FileStatusEntry{shared_path, 0, false}};
  int32_t result = context.Run(state, status);
  if (result != kResultOk || status->canceled) return result;
  if (state.reply.empty()) {
    status->description = kTextUnspecifiedErrorOccured;
    return kResultSystemError;
  }
  if (state.reply[0].result != kResultOk) {
    status->description = state.reply[0].description;
    return state.reply[0].result;
  }
  FileGeneralInfoCommand info;
  info.file_path = shared_path;
  result = context.Run(info, status);
  if (result != kResultOk || status->canceled) return result;
  entry->version = state.reply[0].version;
  entry->latest_version_date = CacheDate::Valid(info.reply.date);
  return kResultOk;
}

}  // namespace

int32_t ShareProjectFrom(const OperationContext& context, const std::string& target_project,
                         const std::string& project_to_share, bool branch_after_share,
                         bool recursive, const std::string& comment, OperationStatus* status) {
  context.BeginOperation();
  const std::string heading = kReportSharingProjectPrefix + project_to_share + kReportEllipsis;
  if (recursive && SharedUnderItself(project_to_share, target_project)) {
    status->description = kTextShareUnderDescendant;
    context.driver.Report(heading, status->description, false);
    return kResultShareUnderDescendant;
  }
  ShareProjectCommand command;
  command.target_project = target_project;
  command.project_path = project_to_share;
  command.branch_after_share = branch_after_share;
  command.recursive = recursive;
  command.comment = comment;
  const int32_t result = context.Run(command, status);
  context.driver.Report(heading, status->description, result == kResultOk);
  return result;
}

int32_t ShareFilesFrom(const OperationContext& context, const std::string& target_project,
                       const std::vector<std::string>& file_paths, bool branch_after_share,
                       const std::string& comment, OperationStatus* status,
                       std::vector<ItemResult>* results) {
  OperationDriver& driver = context.driver;
  context.BeginOperation();
  // The source entries are read from the cache as it is on disk; the lock
  // is taken only to write the new entries.
  CacheStore* store = context.cache();
  if (store != nullptr) store->Load();
  std::vector<std::pair<std::string, CacheFileEntry>> shared;
  for (const std::string& file : file_paths) {
    // The engine clears the flag once a request has seen it: a canceled
    // request stops the list as a cancel between two files does.
    if (driver.CancelRequested() || status->canceled) break;
    ShareFileCommand command;
    command.target_project = target_project;
    command.file_path = file;
    command.branch_after_share = branch_after_share;
    command.comment = comment;
    const int32_t result = context.Run(command, status);
    results->push_back(ItemResult{file, result, status->description});
    driver.Report(kReportSharingFilePrefix + file + kReportEllipsis, status->description,
                  result == kResultOk);
    if (result != kResultOk) continue;

    const std::string path = SharedPath(target_project, file);
    const CacheFileEntry* source = store == nullptr ? nullptr : store->model().FindFile(file);
    // Without a cached source an unbranched link has nothing known to
    // record; the next file list update lists it.
    if (source == nullptr && !branch_after_share) continue;
    CacheFileEntry entry = source == nullptr ? CacheFileEntry{} : *source;
    if (!branch_after_share) {
      entry.status = SharedStatus(entry.status);
    } else {
      const int32_t read = ReadBranchedVersion(context, path, status, &entry);
      if (read != kResultOk || status->canceled) {
        driver.Report(kReportGettingFileRemotePrefix + file + kReportRemoteVersionSuffix,
                      status->description, false);
        return read;
      }
    }
    shared.emplace_back(path, std::move(entry));
  }

  // The shares are done on the server: a cancel does not cut the wait for
  // the cache short.
  TreeCacheUpdate cache(context);
  if (const int32_t locked = cache.Lock(status, false); locked != kResultOk) return locked;
  cache.model().EnsureProject(target_project);
  // An entry whose name the cache cannot hold is left out; the others are
  // added.
  for (auto& [path, entry] : shared) cache.model().PutFile(path, std::move(entry));
  if (const int32_t saved = cache.Save(status); saved != kResultOk) return saved;
  // A cancel between two files stops the list as a canceled request does.
  if (driver.CancelRequested()) status->canceled = true;
  if (!status->canceled) status->description = kTextCompleted;
  return kResultOk;
}

int32_t Branch(const OperationContext& context, const std::string& item_path,
               const std::string& comment, OperationStatus* status) {
  context.BeginOperation();
  BranchItemCommand command;
  command.item_path = item_path;
  command.comment = comment;
  const int32_t result = context.Run(command, status);
  context.driver.Report(kReportBranchingItemPrefix + item_path + kReportEllipsis,
                        status->description, result == kResultOk);
  return result;
}

}  // namespace qorv::ops
