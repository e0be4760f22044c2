// The file objects that transfers hold open, so that a working-folder step can
// make a transfer let go of a path before it uses the file itself (the merge
// tool, for example, must not find a file still open for writing).
#ifndef QORV_LOCAL_RELEASE_REGISTRY_H_
#define QORV_LOCAL_RELEASE_REGISTRY_H_

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/com/mutex.h"

namespace qorv {

// A file that a transfer has open. Implemented by the transfer layer.
class ReleasableFile {
 public:
  virtual ~ReleasableFile() = default;
  // True while a transfer thread still reads or writes the file. Called with
  // the registry's lock held: it must not call back into the registry.
  virtual bool InUse() const = 0;
  // Finishes what is pending (for example flushing the last bytes) and
  // closes the file. May throw CQORException.
  virtual void CompleteAndClose() = 0;
};

// Keyed by the lower-cased full path, as the callers give it (they use full
// paths; no other normalisation is made). Thread-safe.
class ReleaseRegistry {
 public:
  // Registers `file` for `path`, replacing an earlier registration.
  void Register(std::string_view path, std::shared_ptr<ReleasableFile> file) QORV_EXCLUDES(mutex_);

  // Removes the registration of `path` when it is `file` (a transfer that
  // closed its file itself).
  void Unregister(std::string_view path, const ReleasableFile* file) QORV_EXCLUDES(mutex_);

  bool IsRegistered(std::string_view path) const QORV_EXCLUDES(mutex_);

  // When a file is registered for `path`: raises the file layer's error 110
  // with the path if it is still in use; otherwise removes it from the
  // registry, then completes and closes it. Nothing happens when no file is
  // registered.
  void Release(std::string_view path) QORV_EXCLUDES(mutex_);

 private:
  mutable platform::Mutex mutex_;
  std::unordered_map<std::string, std::shared_ptr<ReleasableFile>> files_ QORV_GUARDED_BY(mutex_);
};

}  // namespace qorv

#endif  // QORV_LOCAL_RELEASE_REGISTRY_H_
