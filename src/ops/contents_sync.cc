#include "ops/contents_sync.h"

#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "local/path_forms.h"
#include "ops/report_texts.h"
#include "platform/com/ascii_case.h"
#include "qorvsdk/enums.h"

namespace qorv::ops {
namespace {

// What the reply lists in one project: its sub-projects and files, by leaf
// name, in reply order.
struct ListedLevel {
  std::vector<std::string> projects;
  std::vector<const ProjectContentsEntry*> files;
};

// The reply's records by the upper-cased relative path of their project (""
// for the requested project itself).
using LevelsByPath = std::unordered_map<std::string, ListedLevel>;

LevelsByPath GroupByProject(const std::vector<ProjectContentsEntry>& records) {
  LevelsByPath levels;
  for (const ProjectContentsEntry& record : records) {
    const size_t slash = record.item_name.rfind('/');
    const std::string_view name(record.item_name);
    const std::string parent =
        slash == std::string::npos ? std::string() : AsciiUpper(name.substr(0, slash));
    ListedLevel& level = levels[parent];
    if (record.is_project) {
      level.projects.emplace_back(slash == std::string::npos ? name : name.substr(slash + 1));
    } else {
      level.files.push_back(&record);
    }
  }
  return levels;
}

bool NobodyHasItCheckedOut(int32_t status) {
  return status == Enum_FileStatusNormal || status == Enum_FileStatusPinned ||
         status == Enum_FileStatusShared || status == Enum_FileStatusPinnedAndShared;
}

void MergeLevelFiles(CacheNode& node, const std::vector<const ProjectContentsEntry*>& files) {
  std::unordered_set<std::string> listed;
  for (const ProjectContentsEntry* record : files) {
    const SplitPath leaf = SplitServerPath(record->item_name);
    const std::string& name = leaf.parent.empty() ? record->item_name : leaf.name;
    listed.insert(AsciiUpper(name));
    CacheFileEntry* entry = node.FindFile(name);
    if (entry == nullptr) {
      CacheFileEntry added;
      added.name = name;
      entry = node.PutFile(std::move(added));
      if (entry == nullptr) continue;  // a name the cache cannot hold
    }
    entry->status = record->status;
    entry->version = record->version;
    if (NobodyHasItCheckedOut(record->status)) entry->checkout_path.clear();
  }
  node.RetainFiles(
      [&listed](const CacheFileEntry& entry) { return listed.count(AsciiUpper(entry.name)) != 0; });
}

// One level: its sub-projects made to match the listing, its files merged;
// then, when the listing covers the levels below, the same for each listed
// sub-project. An explicit stack, since the depth comes from the server.
void MergeLevels(CacheModel& model, CacheNode& project, const LevelsByPath& levels,
                 bool recursive) {
  static const ListedLevel kEmpty;
  struct Pending {
    CacheNode* node;
    std::string key;
  };
  std::vector<Pending> pending = {{&project, ""}};
  while (!pending.empty()) {
    Pending current = std::move(pending.back());
    pending.pop_back();
    const auto found = levels.find(current.key);
    const ListedLevel& level = found == levels.end() ? kEmpty : found->second;
    std::unordered_set<std::string> wanted;
    for (const std::string& name : level.projects) wanted.insert(AsciiUpper(name));
    model.RetainSubProjects(*current.node, [&wanted](const CacheNode& sub_project) {
      return wanted.count(AsciiUpper(sub_project.name())) != 0;
    });
    MergeLevelFiles(*current.node, level.files);
    for (const std::string& name : level.projects) {
      CacheNode* child = current.node->AddSubProject(name);
      if (child == nullptr || !recursive) continue;
      const std::string upper = AsciiUpper(name);
      pending.push_back({child, current.key.empty() ? upper : current.key + "/" + upper});
    }
  }
}

}  // namespace

void MergeProjectContents(CacheModel& model, CacheNode& project,
                          const std::vector<ProjectContentsEntry>& records, bool recursive) {
  MergeLevels(model, project, GroupByProject(records), recursive);
}

int32_t StoreProjectContents(const OperationContext& context, const std::string& project_path,
                             const std::vector<ProjectContentsEntry>& records, bool recursive,
                             OperationStatus* status) {
  CacheStore* cache = context.cache();
  if (cache == nullptr) {
    status->description = kPrefixFailedToCreate + project_path;
    return kResultCacheNodeFailed;
  }
  auto merge = [&]() {
    CacheNode* node = cache->model().EnsureProject(project_path);
    if (node == nullptr) return false;
    MergeProjectContents(cache->model(), *node, records, recursive);
    return true;
  };
  CacheLock lock(*cache);
  const CacheResult updated = lock.Take(context.driver.cancel_flag());
  if (!updated.ok() && !updated.unwritable) {
    status->canceled = context.driver.CancelRequested();
    status->description = updated.description;
    return kResultCacheUpdateFailed;
  }
  if (!merge()) {
    status->description = kPrefixFailedToCreate + project_path;
    return kResultCacheNodeFailed;
  }
  if (!updated.ok()) {
    // No cache can be written here: the operation goes on with the listing
    // merged into the cache as read, and says why nothing was saved.
    context.driver.DeliverReportLines(
        {ReportLine{1, kReportCacheNotSavedPrefix + updated.description}});
    return kResultOk;
  }
  const CacheResult saved = lock.SaveAndRelease();
  if (!saved.ok()) {
    status->description = saved.description;
    return kResultCacheSaveFailed;
  }
  return kResultOk;
}

}  // namespace qorv::ops
