#include "ops/cache_sync.h"

#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "ops/report_texts.h"
#include "platform/com/ascii_case.h"
#include "qorvsdk/enums.h"

namespace qorv::ops {
namespace {

// Command 59's sub-project depth and include-files numbers of each mode.
constexpr int32_t kTreeDepth = -1;
// No real project tree comes near this many levels (its working folders would
// pass every path length limit long before); deeper levels a server sends
// are left out of the cache.
constexpr size_t kMaxMergedTreeDepth = 512;
constexpr int32_t kTreeIncludeFiles = 0;
constexpr int32_t kFilesDepth = 0;
constexpr int32_t kFilesIncludeFiles = 1;

// Reply project records grouped by the upper-cased relative path of their
// parent ("" for the requested project itself), in reply order.
using ChildrenByParent = std::unordered_map<std::string, std::vector<std::string>>;

ChildrenByParent GroupProjectRecords(const std::vector<ProjectFileListEntry>& records) {
  ChildrenByParent children;
  for (const ProjectFileListEntry& record : records) {
    if (!record.is_project) continue;
    const size_t slash = record.name.rfind('/');
    std::string parent = slash == std::string::npos ? "" : record.name.substr(0, slash);
    std::string leaf = slash == std::string::npos ? record.name : record.name.substr(slash + 1);
    children[AsciiUpper(parent)].push_back(std::move(leaf));
  }
  return children;
}

// Walks the server's project records alongside the cache's nodes, from
// `project` down, with an explicit stack instead of recursion (the depth
// comes from the server); levels below kMaxMergedTreeDepth are not walked,
// since the cache's save and release walk the tree recursively. At each
// node, `level(node, wanted)` sees the upper-cased names the server lists
// there; `descend(node, name, &next)` gives the node of a listed name to
// walk next (null: not walked). Either returns false to stop the walk, and
// the walk then returns false.
template <class Node, class Level, class Descend>
bool WalkServerTree(Node& project, const std::vector<ProjectFileListEntry>& records, Level level,
                    Descend descend) {
  const ChildrenByParent children = GroupProjectRecords(records);
  static const std::vector<std::string> kNone;
  struct Pending {
    Node* node;
    std::string relative_key;
    size_t depth;
  };
  std::vector<Pending> pending = {{&project, "", 0}};
  while (!pending.empty()) {
    auto [node, relative_key, depth] = std::move(pending.back());
    pending.pop_back();
    const auto found = children.find(relative_key);
    const std::vector<std::string>& names = found == children.end() ? kNone : found->second;
    std::unordered_set<std::string> wanted;
    for (const std::string& name : names) wanted.insert(AsciiUpper(name));
    if (!level(*node, wanted)) return false;
    if (depth >= kMaxMergedTreeDepth) continue;
    for (const std::string& name : names) {
      Node* next = nullptr;
      if (!descend(*node, name, &next)) return false;
      if (next == nullptr) continue;
      const std::string upper = AsciiUpper(name);
      pending.push_back(
          {next, relative_key.empty() ? upper : relative_key + "/" + upper, depth + 1});
    }
  }
  return true;
}

}  // namespace

void MergeProjectTree(CacheModel& model, CacheNode& project,
                      const std::vector<ProjectFileListEntry>& records) {
  WalkServerTree(
      project, records,
      [&model](CacheNode& node, const std::unordered_set<std::string>& wanted) {
        model.RetainSubProjects(node, [&wanted](const CacheNode& sub_project) {
          return wanted.count(AsciiUpper(sub_project.name())) != 0;
        });
        return true;
      },
      [](CacheNode& node, const std::string& name, CacheNode** next) {
        *next = node.AddSubProject(name);  // null: a name the cache cannot hold
        return true;
      });
}

void ApplyFileRecord(const ProjectFileListEntry& record, CacheFileEntry* entry) {
  entry->name = record.name;
  entry->latest_version_date = CacheDate::Valid(record.date);
  entry->status = record.status;
  entry->version = record.version;
  switch (record.status) {
    case Enum_FileStatusNormal:
    case Enum_FileStatusPinned:
    case Enum_FileStatusShared:
    case Enum_FileStatusPinnedAndShared:
      entry->checkout_path.clear();
      entry->user_name = record.user_name;
      break;
    case Enum_FileStatusExclusiveCheckout:
    case Enum_FileStatusSingleCheckoutSharedFile:
      entry->user_name = record.user_name;
      break;
    case Enum_FileStatusMultiCheckout:
    case Enum_FileStatusMultiCheckoutSharedFile:
      entry->user_name = record.user_name + kSeveralUsersSuffix;
      break;
    default:
      break;
  }
}

void MergeFileList(CacheNode& project, const std::vector<ProjectFileListEntry>& records) {
  std::unordered_set<std::string> wanted;
  for (const ProjectFileListEntry& record : records) {
    if (!record.is_project) wanted.insert(AsciiUpper(record.name));
  }
  project.RetainFiles(
      [&wanted](const CacheFileEntry& entry) { return wanted.count(AsciiUpper(entry.name)) != 0; });
  for (const ProjectFileListEntry& record : records) {
    if (record.is_project) continue;
    CacheFileEntry entry;
    if (const CacheFileEntry* existing = project.FindFile(record.name)) entry = *existing;
    ApplyFileRecord(record, &entry);
    project.PutFile(std::move(entry));  // refuses a name the cache cannot hold
  }
}

namespace {

// Merges the reply into `model`; false when the project cannot be a node.
bool MergeReply(CacheModel& model, const std::string& project_path, SyncMode mode,
                const std::vector<ProjectFileListEntry>& records) {
  CacheNode* node = model.EnsureProject(project_path);
  if (node == nullptr) return false;
  if (mode == SyncMode::kTree) {
    MergeProjectTree(model, *node, records);
  } else {
    MergeFileList(*node, records);
  }
  return true;
}

// Whether MergeProjectTree would change anything below `project`. Cheap
// and read-only, so that a query whose answer the cache already holds needs
// neither the lock nor a copy of the cache. Anything unusual (a name the
// cache cannot hold, say) counts as a change: the locked path sorts it out.
bool ProjectTreeWouldChange(const CacheNode& project,
                            const std::vector<ProjectFileListEntry>& records) {
  return !WalkServerTree(
      project, records,
      [](const CacheNode& node, const std::unordered_set<std::string>& wanted) {
        for (size_t i = 0; i < node.sub_project_count(); ++i) {
          if (wanted.count(AsciiUpper(node.sub_project(i).name())) == 0) return false;
        }
        return true;
      },
      [](const CacheNode& node, const std::string& name, const CacheNode** next) {
        *next = node.FindSubProject(name);
        return *next != nullptr;
      });
}

// Whether MergeFileList would change the project's file entries.
bool FileListWouldChange(const CacheNode& project,
                         const std::vector<ProjectFileListEntry>& records) {
  std::unordered_set<std::string> seen;
  for (const ProjectFileListEntry& record : records) {
    if (record.is_project) continue;
    if (!seen.insert(AsciiUpper(record.name)).second) return true;
    const CacheFileEntry* existing = project.FindFile(record.name);
    if (existing == nullptr) return true;
    CacheFileEntry updated = *existing;
    ApplyFileRecord(record, &updated);
    if (!(updated == *existing)) return true;
  }
  // Every record matched an entry of its own: any entry left over would go.
  return seen.size() != project.files().size();
}

// Whether merging the reply into `model` would change what it holds.
bool MergeWouldChange(CacheModel& model, const std::string& project_path, SyncMode mode,
                      const std::vector<ProjectFileListEntry>& records) {
  const CacheNode* node = model.FindProject(project_path);
  if (node == nullptr) return true;
  return mode == SyncMode::kTree ? ProjectTreeWouldChange(*node, records)
                                 : FileListWouldChange(*node, records);
}

}  // namespace

int32_t SynchronizeProject(const OperationContext& context, const std::string& project_path,
                           SyncMode mode, OperationStatus* status) {
  CacheStore* cache = context.cache();
  if (cache == nullptr || cache->model().FindProject(project_path) == nullptr) {
    status->description = kTextProjectNotFound;
    return kResultNotFound;
  }
  const bool tree = mode == SyncMode::kTree;
  ProjectFileListCommand command;
  command.project_path = project_path;
  command.sub_project_depth = tree ? kTreeDepth : kFilesDepth;
  command.include_files = tree ? kTreeIncludeFiles : kFilesIncludeFiles;
  const int32_t result = context.Run(command, status);
  if (result != kResultOk || status->canceled) return result;
  const std::vector<ProjectFileListEntry>& records = command.reply;

  // A read needs no lock (a save replaces the file whole). When the cache as
  // read already says what the reply says, there is nothing to write.
  if (cache->Load().ok() && !MergeWouldChange(cache->model(), project_path, mode, records)) {
    return kResultOk;
  }

  // Writing: locked, read again (another process may have saved since), the
  // reply merged into what is there now, saved. The lock is released on
  // every path out of here, an exception from the merge included.
  CacheLock lock(*cache);
  const CacheResult updated = lock.Take(context.driver.cancel_flag());
  if (!updated.ok()) {
    if (updated.unwritable) {
      // No cache can be written here: the query goes on with the reply
      // merged into the cache as read, and says why nothing was saved.
      if (!MergeReply(cache->model(), project_path, mode, records)) {
        status->description = kPrefixFailedToCreate + project_path;
        return kResultCacheNodeFailed;
      }
      context.driver.DeliverReportLines(
          {ReportLine{1, kReportCacheNotSavedPrefix + updated.description}});
      return kResultOk;
    }
    status->canceled = context.driver.CancelRequested();
    status->description = updated.description;
    return kResultCacheUpdateFailed;
  }
  // Another process may have saved the same answer meanwhile.
  if (!MergeWouldChange(cache->model(), project_path, mode, records)) return kResultOk;
  if (!MergeReply(cache->model(), project_path, mode, records)) {
    status->description = kPrefixFailedToCreate + project_path;
    return kResultCacheNodeFailed;
  }
  const CacheResult saved = lock.SaveAndRelease();
  if (!saved.ok()) {
    status->description = saved.description;
    return kResultCacheSaveFailed;
  }
  return kResultOk;
}

int32_t UpdateProjectTree(const OperationContext& context, const std::string& project_path,
                          OperationStatus* status) {
  CacheStore* cache = context.cache();
  if (cache == nullptr || cache->model().EnsureProject(project_path) == nullptr) {
    status->description = kPrefixFailedToCreate + project_path;
    return kResultCacheNodeFailed;
  }
  context.driver.Report("", kReportProjectTreePrefix + project_path + kReportEllipsis, true);
  const int32_t result = SynchronizeProject(context, project_path, SyncMode::kTree, status);
  context.driver.Report("", status->description, result == kResultOk);
  return result;
}

int32_t UpdateFileList(const OperationContext& context, const std::string& project_path,
                       OperationStatus* status) {
  context.driver.Report("", kReportFileListPrefix + project_path + kReportEllipsis, true);
  // A path the cache cannot hold leaves no node; the synchronization then
  // reports the project as not found.
  if (CacheStore* cache = context.cache()) cache->model().EnsureProject(project_path);
  const int32_t result = SynchronizeProject(context, project_path, SyncMode::kFiles, status);
  context.driver.Report("", status->description, result == kResultOk);
  return result;
}

}  // namespace qorv::ops
