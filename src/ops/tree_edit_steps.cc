#include "ops/tree_edit_steps.h"

#include "platform/com/ascii_case.h"
#include "qorvsdk/result_codes.h"

namespace qorv::ops {

namespace {
constexpr char kRootProject[] = "$/";
}  // namespace

std::string JoinProjectPath(std::string_view parent, std::string_view name) {
  std::string path(parent);
  if (!EqualsIgnoringAsciiCase(parent, kRootProject)) path += '/';
  path += name;
  return path;
}

std::string LeafName(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

int32_t TreeCacheUpdate::Lock(OperationStatus* status) {
  CacheStore* cache = context_.cache();
  bool locked = false;
  if (cache != nullptr) {
    lock_.emplace(*cache);
    locked = lock_->Take(context_.driver.cancel_flag()).ok();
  }
  if (locked) return kResultOk;
  lock_.reset();
  status->description = kTextCacheUpdateFailed;
  context_.driver.Report("", status->description, false);
  return kResultCacheUpdateFailed;
}

int32_t TreeCacheUpdate::Save(OperationStatus* status, bool report) {
  const CacheResult saved = lock_->SaveAndRelease();
  lock_.reset();
  if (saved.ok()) return kResultOk;
  status->description = saved.description;
  if (report) context_.driver.Report("", status->description, false);
  return kResultCacheSaveFailed;
}

}  // namespace qorv::ops
