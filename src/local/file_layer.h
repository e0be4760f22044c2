// The working-folder file layer: every file-system call of the working-folder
// primitives goes through here.
//
// Work on one path is serialised by 209 lock stripes chosen by a hash of the
// lower-cased path, because the operation logic on the caller's thread and the
// transfer threads work on working-folder files at the same time. Each call
// holds its path's stripe for the length of the platform call only. A move or
// copy between two paths takes the global two-path lock, then the stripes of
// both paths (one when they share a stripe, the lower index first otherwise).
//
// Failures raise CQORException with the file layer's code and the path.
#ifndef QORV_LOCAL_FILE_LAYER_H_
#define QORV_LOCAL_FILE_LAYER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "local/release_registry.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/mutex.h"

namespace qorv {

class FileLayer {
 public:
  static constexpr size_t kStripeCount = 209;

  FileLayer() = default;
  FileLayer(const FileLayer&) = delete;
  FileLayer& operator=(const FileLayer&) = delete;

  // The process's file layer: every SDK object and transfer thread of the
  // process shares its stripes, its two-path lock and its release registry.
  static FileLayer& Shared();

  // hash = hash * 33 + byte over the lower-cased path, each byte taken as a
  // signed 8-bit value, modulo 2^32; the stripe is hash modulo 209.
  static uint32_t PathHash(std::string_view path);
  static size_t StripeOf(std::string_view path);

  // The attribute word, or platform::kInvalidAttributes when the path does
  // not exist or cannot be read. Never raises.
  int32_t GetAttributes(const std::string& path);
  void SetAttributes(const std::string& path, int32_t attributes);

  // Raises 101 (or 102) when the path does not exist.
  platform::FileTime GetLastWriteTime(const std::string& path);
  void SetLastWriteTime(const std::string& path, platform::FileTime time);
  uint64_t GetFileSize(const std::string& path);
  uint64_t GetFreeSpace(const std::string& path);

  void CreateFolder(const std::string& path);
  void RemoveFolder(const std::string& path);
  void DeleteFile(const std::string& path);
  std::vector<platform::FolderEntry> ListFolder(const std::string& path);

  // Opens a file. Creating it anew over an existing file first clears that
  // file's read-only attribute (raising 104 when that fails).
  platform::File Open(const std::string& path, platform::FileAccess access,
                      platform::FileCreation creation, platform::FileSharing sharing);
  // Reads from / writes to a file opened through Open(); `path` names it in
  // errors and selects the stripe.
  size_t Read(platform::File& file, const std::string& path, void* buffer, size_t size);
  void Write(platform::File& file, const std::string& path, const void* buffer, size_t size);

  // Moves or copies a file, replacing an existing target; the target's
  // read-only attribute is cleared first (104 when that fails). A copy keeps
  // the attributes the target had when it existed.
  void Move(const std::string& from, const std::string& to);
  void Copy(const std::string& from, const std::string& to);

  // See ReleaseRegistry::Release: raises 110 with the path when the
  // registered file is still in use.
  void ReleasePath(std::string_view path) { release_registry_.Release(path); }
  ReleaseRegistry& release_registry() { return release_registry_; }

 private:
  platform::Mutex& StripeFor(std::string_view path) { return stripes_[StripeOf(path)]; }
  // REQUIRES: the stripe of `path` is held.
  void ClearReadOnlyBeforeReplacing(const std::string& path);
  template <typename Step>
  void WithTwoPaths(const std::string& from, const std::string& to, Step step);

  std::array<platform::Mutex, kStripeCount> stripes_;
  platform::Mutex two_path_lock_;
  ReleaseRegistry release_registry_;
};

}  // namespace qorv

#endif  // QORV_LOCAL_FILE_LAYER_H_
