#include "ops/cache_queries.h"

#include "ops/cache_sync.h"

namespace qorv::ops {
namespace {

// The operation's start, and the project's node in the cache; false
// when there is no cache or the path cannot be a cache node.
bool BeginCacheQuery(const OperationContext& context, const std::string& project_path) {
  context.BeginOperation();
  CacheStore* cache = context.cache();
  return cache != nullptr && cache->model().EnsureProject(project_path) != nullptr;
}

// The project's node after a successful update, or null.
CacheNode* ProjectNode(const OperationContext& context, const std::string& project_path) {
  CacheStore* cache = context.cache();
  return cache == nullptr ? nullptr : cache->model().FindProject(project_path);
}

}  // namespace

int32_t GetSubProjectsFromParent(const OperationContext& context, const std::string& parent_project,
                                 OperationStatus* status, std::vector<std::string>* names) {
  if (!BeginCacheQuery(context, parent_project)) return kResultCacheNodeFailed;
  const int32_t result = UpdateProjectTree(context, parent_project, status);
  if (result != kResultOk) return result;
  if (const CacheNode* node = ProjectNode(context, parent_project)) {
    *names = node->SubProjectNames();
  }
  return kResultOk;
}

int32_t GetFilesByProject(const OperationContext& context, const std::string& project_path,
                          OperationStatus* status, std::vector<std::string>* names) {
  if (!BeginCacheQuery(context, project_path)) return kResultCacheNodeFailed;
  const int32_t result = UpdateFileList(context, project_path, status);
  if (result != kResultOk) return result;
  if (const CacheNode* node = ProjectNode(context, project_path)) *names = node->FileNames();
  return kResultOk;
}

int32_t GetFileListFromProject(const OperationContext& context, const std::string& project_path,
                               OperationStatus* status, std::vector<FileListEntry>* files) {
  context.BeginOperation();
  const int32_t result = UpdateFileList(context, project_path, status);
  if (result != kResultOk) return result;
  const CacheNode* node = ProjectNode(context, project_path);
  if (node == nullptr) return kResultOk;
  for (const CacheFileEntry& entry : node->files()) {
    files->push_back(FileListEntry{
        entry.name, entry.latest_version_date.is_valid() ? entry.latest_version_date.value() : 0.0,
        entry.user_name, entry.status, entry.version});
  }
  return kResultOk;
}

}  // namespace qorv::ops
