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
//
// The layer reaches the disk only through its platform::FileSystem: the
// native one unless the constructor is given another (tests give fakes that
// fail on purpose). ScopedFileSystem swaps the file system of an existing
// layer, the shared one included, for the length of a scope.
#ifndef QORV_LOCAL_FILE_LAYER_H_
#define QORV_LOCAL_FILE_LAYER_H_

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "local/release_registry.h"
#include "platform/com/mutex.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/file_system_interface.h"

namespace qorv {

class FileLayer {
 public:
  static constexpr size_t kStripeCount = 209;

  // `file_system` must outlive the layer.
  explicit FileLayer(platform::FileSystem& file_system = platform::NativeFileSystem())
      : file_system_(&file_system) {}
  FileLayer(const FileLayer&) = delete;
  FileLayer& operator=(const FileLayer&) = delete;

  // Makes `layer` use `file_system` while this object lives, then the file
  // system it used before (scopes nest). Meant for tests that reach the
  // shared layer through the working-folder primitives. The swap itself is
  // atomic, but a call already running may finish on the file system it
  // started with: swap only while no other thread works on files.
  class ScopedFileSystem {
   public:
    ScopedFileSystem(FileLayer& layer, platform::FileSystem& file_system)
        : layer_(layer), previous_(layer.file_system_.exchange(&file_system)) {}
    ~ScopedFileSystem() { layer_.file_system_.store(previous_); }
    ScopedFileSystem(const ScopedFileSystem&) = delete;
    ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

   private:
    FileLayer& layer_;
    platform::FileSystem* previous_;
  };

  // A file written anew beside its place and put there at the end, so that
  // the file at `path` is always whole: the old one or the new one. The
  // bytes go to a temporary file in the same folder ("~qorv<pid>-<n>.tmp");
  // Commit() closes it and renames it over `path`, whose read-only attribute
  // is cleared first (104 when that fails). A failed Write() or Commit(), and
  // a replacement dropped without Commit(), remove the temporary file and
  // leave `path` as it was. Failures raise CQORException naming `path`.
  class Replacement {
   public:
    Replacement(Replacement&& other) noexcept;
    Replacement& operator=(Replacement&&) = delete;
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;
    ~Replacement();

    void Write(const void* buffer, size_t size);
    // Closes the temporary file once all its bytes are written, keeping it
    // for Commit(): a batch of many files then holds no descriptor per file
    // while it waits for the rest of its body.
    void CloseFile();
    void Commit();
    const std::string& temporary_path() const { return temporary_; }

   private:
    friend class FileLayer;
    Replacement(FileLayer& layer, std::string target, std::string temporary,
                std::unique_ptr<platform::OpenFile> file);
    // Closes and removes the temporary file, ignoring failures.
    void Discard() noexcept;

    FileLayer* layer_;
    std::string target_;
    std::string temporary_;
    std::unique_ptr<platform::OpenFile> file_;  // null once closed, committed or discarded
    bool pending_ = true;                       // the temporary file exists and is not yet renamed
  };

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

  // True when `path` itself is a symbolic link. Never raises.
  bool IsSymbolicLink(const std::string& path);

  void CreateFolder(const std::string& path);
  void RemoveFolder(const std::string& path);
  void DeleteFile(const std::string& path);
  // Deletes a temporary file of ours, trying again a few times over about
  // 100 ms when the system refuses (another process briefly holding it, as
  // a virus scanner does), so that a passing refusal leaves no temporary
  // behind. A missing file counts as deleted. Never raises; false when the
  // file is still there.
  bool DeleteTemporary(const std::string& path) noexcept;
  std::vector<platform::FolderEntry> ListFolder(const std::string& path);

  // Removes from `folder` the replacement temporaries ("~qorv<pid>-<n>.tmp")
  // of processes that no longer run: what a client killed in the middle of
  // a download leaves beside its targets. Those of running processes, this
  // one included, are left alone. Returns how many were removed; never
  // raises (a folder that cannot be listed has none removed).
  size_t RemoveStaleReplacements(const std::string& folder);
  // The process id of a replacement temporary's name, or 0 when `name` is
  // not one.
  static int64_t ReplacementOwner(std::string_view name);

  // Opens a file. Creating it anew over an existing file first clears that
  // file's read-only attribute (raising 104 when that fails).
  std::unique_ptr<platform::OpenFile> Open(const std::string& path, platform::FileAccess access,
                                           platform::FileCreation creation,
                                           platform::FileSharing sharing);
  // Reads from / writes to a file opened through Open(); `path` names it in
  // errors and selects the stripe.
  size_t Read(platform::OpenFile& file, const std::string& path, void* buffer, size_t size);
  void Write(platform::OpenFile& file, const std::string& path, const void* buffer, size_t size);

  // Starts writing `path` anew (see Replacement). Raises when the temporary
  // file cannot be created.
  Replacement BeginReplacement(const std::string& path);

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
  platform::FileSystem& files() const { return *file_system_.load(); }
  // REQUIRES: the stripe of `path` is held.
  void ClearReadOnlyBeforeReplacing(platform::FileSystem& files, const std::string& path);
  template <typename Step>
  void WithTwoPaths(const std::string& from, const std::string& to, Step step);

  std::atomic<platform::FileSystem*> file_system_;
  std::array<platform::Mutex, kStripeCount> stripes_;
  platform::Mutex two_path_lock_;
  ReleaseRegistry release_registry_;
  // Numbers the temporary files of replacements.
  std::atomic<uint32_t> next_replacement_{0};
};

}  // namespace qorv

#endif  // QORV_LOCAL_FILE_LAYER_H_
