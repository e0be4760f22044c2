// The steps the tree edits share: joining a project and a name, and the
// cache update around a confirmed change (lock and load, then save and
// unlock), with the report lines and results of their failures.
#ifndef QORV_OPS_TREE_EDIT_STEPS_H_
#define QORV_OPS_TREE_EDIT_STEPS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "local/cache_model.h"
#include "local/cache_store.h"
#include "ops/operation_context.h"

namespace qorv::ops {

// parent + "/" + name, without the "/" when the parent is exactly "$/"
// (compared without regard to case).
std::string JoinProjectPath(std::string_view parent, std::string_view name);

// The last name of a server path ("$/A/x.c" -> "x.c"; a trailing "/" is
// ignored).
std::string LeafName(std::string_view path);

// The cache of the session held locked from Lock() to Save(); released on
// every other way out.
class TreeCacheUpdate {
 public:
  explicit TreeCacheUpdate(const OperationContext& context) : context_(context) {}
  TreeCacheUpdate(const TreeCacheUpdate&) = delete;
  TreeCacheUpdate& operator=(const TreeCacheUpdate&) = delete;

  // Locks and loads the cache. Failure (also: no cache before a login):
  // 30025 with "Failed to update cache file. Please try again later" in the
  // status and the line {0, description}.
  int32_t Lock(OperationStatus* status);

  // The model; only between a successful Lock() and Save().
  CacheModel& model() { return context_.cache()->model(); }

  // Saves and unlocks. Failure: 30026 with the save's text in the status
  // and, when `report` is true, the line {0, description}.
  int32_t Save(OperationStatus* status, bool report = true);

 private:
  const OperationContext& context_;
  std::optional<CacheLock> lock_;
};

}  // namespace qorv::ops

#endif  // QORV_OPS_TREE_EDIT_STEPS_H_
