// The local cache store: the project tree cache file of one server, database
// and user, shared by every process of the user.
//
// Location: <user cache folder>/Brastovik/Quorvane for VSS/
//   <server>__<database>_<user>.qor
// While that file does not exist, the first file of the same name found in an
// old place (<application-data folder>/Brastovik/Quorvane for VSS/, then
// <profile folder>/Brastovik/Quorvane for VSS/) is read instead; the first
// save writes the new place and deletes the old file that was read.
//
// Reading needs no lock: Save() writes the whole model to "<cache file>.tmp"
// and renames it over the cache file, so a reader sees one complete version,
// the old or the new. Load() re-reads the file only when it changed (another
// file, or another size or last-write time) since this object last read or
// wrote it.
//
// Writing takes turns between processes: Lock() takes an exclusive lock on
// the companion file "<cache file>.lock", waiting while the lock is busy:
// the wait gives up when one hold lasts `lock_attempts` x `lock_interval_ms`
// (the lock is stuck), after kCacheLockBusyLimitMs in all, or as soon as the
// caller's cancel flag is set. Each holder counts its turn in the lock file,
// so a waiter tells a lock passed from process to process from a stuck one.
// The lock file is never deleted, so the lock always sits on the same
// file, and the lock is not on the file being replaced, so replacing it
// cannot hand anybody an unlocked file. CacheLock holds the lock for a scope.
//
// A cache file that cannot be read is never overwritten: before the next save
// it is renamed to "<cache file>.unreadable-<n>" (n = 1, 2, ... the first
// free number).
//
// Not thread-safe: the SDK object uses its cache from one thread at a time.
#ifndef QORV_LOCAL_CACHE_STORE_H_
#define QORV_LOCAL_CACHE_STORE_H_

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "local/cache_model.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

inline constexpr char kCacheVendorFolder[] = "Brastovik";
inline constexpr char kCacheProductFolder[] = "Quorvane for VSS";
inline constexpr char kCacheFileExtension[] = ".qor";
inline constexpr char kCacheLockSuffix[] = ".lock";
inline constexpr char kCacheTempSuffix[] = ".tmp";
inline constexpr char kCacheUnreadableSuffix[] = ".unreadable-";
// Both cache folders must be shorter than this.
inline constexpr size_t kCacheFolderLimit = 260;
inline constexpr int kCacheLockAttempts = 10;
inline constexpr uint32_t kCacheLockIntervalMs = 500;
// The step of the wait for the lock.
inline constexpr uint32_t kCacheLockPollMs = 10;
// The longest wait for a lock that keeps changing hands.
inline constexpr uint64_t kCacheLockBusyLimitMs = 120000;

struct CacheResult {
  int32_t result = kResultOk;
  std::string description = kTextCompleted;
  // The cache cannot be written here at all (its folder cannot be made, or
  // the lock file cannot be created), as opposed to a lock held too long by
  // another process: a query can go on with what it read.
  bool unwritable = false;

  bool ok() const { return result == kResultOk; }
};

class CacheStore {
 public:
  CacheStore() = default;
  ~CacheStore();
  CacheStore(const CacheStore&) = delete;
  CacheStore& operator=(const CacheStore&) = delete;

  // Computes the cache's folders and file name and starts with an empty
  // model. A "/" or zero byte in the server, database or user name becomes
  // "_" in the file name so that the name stays one file in the folder.
  // Fails (kResultCacheUpdateFailed; the store stays closed) when the user
  // cache folder is unknown or a cache folder, old places included, would be
  // 260 characters or longer.
  CacheResult Open(std::string_view server, std::string_view database, std::string_view user,
                   int lock_attempts = kCacheLockAttempts,
                   uint32_t lock_interval_ms = kCacheLockIntervalMs);
  bool is_open() const { return opened_; }

  // Creates the cache folder when missing and takes the lock, waiting for
  // another holder at most lock_attempts x lock_interval_ms per hold (the
  // wait starts again each time the lock changes hands, up to
  // kCacheLockBusyLimitMs) and no longer once `*cancel` is nonzero. Fails with
  // kResultCacheUpdateFailed and "Failed to update cache file. Please try again later" when the
  // lock stays taken (or the wait was canceled), "Invalid parameter on Lock()" when the store is
  // not open, or the folder texts (those marked unwritable).
  CacheResult Lock(const std::atomic<int32_t>* cancel = nullptr);
  bool is_locked() const { return lock_file_.is_open(); }

  // Reads the file into the model unless it is unchanged since this object
  // last read or wrote it; needs no lock. A missing or empty file is an
  // empty cache (or the old place's file, see above). Fails
  // (kResultCacheUpdateFailed) with "Wrong directory cache file format" or the
  // file system's text; the model then holds what was read.
  CacheResult Load();

  // Writes the whole model (the lock must be held). Fails with
  // kResultCacheSaveFailed and the file system's text.
  CacheResult Save();

  // Releases the lock, remembering the file as this object last saw it.
  void Unlock();

  // Lock, then Load. When Load fails: Save what was read, Unlock, and fail
  // with "Failed to update cache file. Please try again later". Failure
  // results are kResultCacheUpdateFailed. On success the lock stays held
  // while the operation edits the model.
  CacheResult Update(const std::atomic<int32_t>* cancel = nullptr);

  // Save, then Unlock whatever the outcome; failure: kResultCacheSaveFailed
  // with the save's text.
  CacheResult SaveAndRelease();

  CacheModel& model() { return model_; }
  const std::string& folder() const { return folder_; }
  const std::string& file_path() const { return file_; }
  // The old places, in the order they are tried.
  const std::vector<std::string>& old_file_paths() const { return old_files_; }

 private:
  // What tells a changed cache file from the one last read or written.
  struct FileIdentity {
    bool exists = false;
    platform::FileInfo info;

    bool operator==(const FileIdentity& other) const;
  };

  FileIdentity CurrentIdentity() const;
  // Reads the first old place's file that exists; 0 or the error number.
  int ReadOldPlace(std::string* text);
  // Renames the unreadable cache file aside; 0 or the error number.
  int KeepUnreadableFile();

  bool opened_ = false;
  int lock_attempts_ = kCacheLockAttempts;
  uint32_t lock_interval_ms_ = kCacheLockIntervalMs;
  std::string folder_;
  std::string file_;
  std::vector<std::string> old_files_;
  // The old place's file the model was read from, deleted by the next save.
  std::string read_from_old_place_;
  std::string lock_path_;
  platform::File lock_file_;

  CacheModel model_;
  bool loaded_ = false;      // the model reflects the file as `identity_`
  bool unreadable_ = false;  // the last load failed on the file now in place
  FileIdentity identity_;
};

// Holds a store's lock for a scope: Take() locks (CacheStore::Update), the
// destructor releases whatever happens in between, exceptions included.
class CacheLock {
 public:
  explicit CacheLock(CacheStore& store) : store_(store) {}
  ~CacheLock() { Release(); }
  CacheLock(const CacheLock&) = delete;
  CacheLock& operator=(const CacheLock&) = delete;

  // CacheStore::Update; the lock is held afterwards only on success.
  CacheResult Take(const std::atomic<int32_t>* cancel) {
    CacheResult result = store_.Update(cancel);
    held_ = result.ok();
    return result;
  }
  // CacheStore::SaveAndRelease.
  CacheResult SaveAndRelease() {
    held_ = false;
    return store_.SaveAndRelease();
  }
  void Release() {
    if (held_) store_.Unlock();
    held_ = false;
  }

 private:
  CacheStore& store_;
  bool held_ = false;
};

}  // namespace qorv

#endif  // QORV_LOCAL_CACHE_STORE_H_
