#include "local/release_registry.h"

#include "local/qor_exception.h"
#include "platform/com/ascii_case.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

void ReleaseRegistry::Register(std::string_view path, std::shared_ptr<ReleasableFile> file) {
  platform::MutexLock lock(mutex_);
  files_[AsciiLower(path)] = std::move(file);
}

void ReleaseRegistry::Unregister(std::string_view path, const ReleasableFile* file) {
  platform::MutexLock lock(mutex_);
  auto found = files_.find(AsciiLower(path));
  if (found != files_.end() && found->second.get() == file) files_.erase(found);
}

bool ReleaseRegistry::IsRegistered(std::string_view path) const {
  platform::MutexLock lock(mutex_);
  return files_.count(AsciiLower(path)) != 0;
}

void ReleaseRegistry::Release(std::string_view path) {
  std::shared_ptr<ReleasableFile> file;
  {
    platform::MutexLock lock(mutex_);
    auto found = files_.find(AsciiLower(path));
    if (found == files_.end()) return;
    if (found->second->InUse()) throw CQORException::ForCode(kFileErrorSharingViolation, path);
    file = std::move(found->second);
    files_.erase(found);
  }
  // Completed outside the registry's lock: closing may take a while and must
  // not hold up other transfers registering or releasing their files.
  file->CompleteAndClose();
}

}  // namespace qorv
