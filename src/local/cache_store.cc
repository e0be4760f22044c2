#include "local/cache_store.h"

#include <map>
#include <memory>

#include "local/cache_format.h"
#include "local/path_forms.h"
#include "local/qor_exception.h"
#include "local/working_folder.h"
#include "net/format_text.h"
#include "platform/os_error.h"
#include "platform/process.h"
#include "platform/user_folders.h"

namespace qorv {
namespace {

CacheResult Failure(int32_t result, std::string description) {
  return CacheResult{result, std::move(description)};
}

// Keeps a name part inside one file name.
std::string FileNamePart(std::string_view part) {
  std::string result(part);
  for (char& c : result) {
    if (c == '/' || c == '\0') c = '_';
  }
  return result;
}

std::string CacheFolderBelow(const std::string& base) {
  return JoinLocalPath(JoinLocalPath(base, kCacheVendorFolder), kCacheProductFolder);
}

// The whole file; a missing file reads as empty with `*exists` false.
int ReadWholeFile(const std::string& path, std::string* text, bool* exists) {
  text->clear();
  *exists = false;
  platform::File file;
  int error =
      platform::File::Open(path, platform::FileAccess::kRead, platform::FileCreation::kOpenExisting,
                           platform::FileSharing::kShared, &file);
  if (error == platform::OsErrorNotFound()) return 0;
  if (error != 0) return error;
  *exists = true;
  constexpr size_t kPiece = 64 * 1024;
  std::unique_ptr<char[]> piece(new char[kPiece]);
  for (;;) {
    size_t read = 0;
    error = file.Read(piece.get(), kPiece, &read);
    if (error != 0) return error;
    if (read == 0) return 0;
    text->append(piece.get(), read);
  }
}

// Writes `text` to `temp` and renames it over `path`; the temporary is gone
// afterwards on every path.
int ReplaceFile(const std::string& path, const std::string& temp, const std::string& text) {
  platform::File file;
  int error = platform::File::Open(temp, platform::FileAccess::kWrite,
                                   platform::FileCreation::kCreateAlways,
                                   platform::FileSharing::kShared, &file);
  if (error == 0) error = file.Write(text.data(), text.size());
  if (error == 0) error = file.Sync();
  int close_error = file.Close();
  if (error == 0) error = close_error;
  if (error == 0) error = platform::RenamePath(temp, path);
  if (error != 0) platform::DeleteFile(temp);
  return error;
}

// The lock file holds the number of times the lock was taken: 8 bytes,
// least significant first. A waiter reads it without the lock; a torn or
// missing count only makes it wait as if nothing moved.
bool ReadTurn(const std::string& lock_path, uint64_t* turn) {
  platform::File file;
  if (platform::File::Open(lock_path, platform::FileAccess::kRead,
                           platform::FileCreation::kOpenExisting, platform::FileSharing::kShared,
                           &file) != 0) {
    return false;
  }
  uint8_t bytes[8] = {};
  size_t read = 0;
  if (file.Read(bytes, sizeof(bytes), &read) != 0 || read != sizeof(bytes)) return false;
  *turn = 0;
  for (int i = 7; i >= 0; --i) *turn = (*turn << 8) | bytes[i];
  return true;
}

// Adds one to the count of the lock file just taken. Failing to count only
// weakens the waiters' view of progress, so errors are ignored.
void CountTurn(platform::File& lock_file) {
  uint8_t bytes[8] = {};
  size_t read = 0;
  if (lock_file.Read(bytes, sizeof(bytes), &read) != 0 || read != sizeof(bytes)) read = 0;
  uint64_t turn = 0;
  if (read == sizeof(bytes)) {
    for (int i = 7; i >= 0; --i) turn = (turn << 8) | bytes[i];
  }
  ++turn;
  for (size_t i = 0; i < sizeof(bytes); ++i) bytes[i] = static_cast<uint8_t>(turn >> (8 * i));
  if (lock_file.Seek(0) == 0) lock_file.Write(bytes, sizeof(bytes));
}

std::string FileErrorText(int error, const std::string& path) {
  return CQORException::ForOsError(error, path).message();
}

}  // namespace

bool CacheStore::FileIdentity::operator==(const FileIdentity& other) const {
  if (exists != other.exists) return false;
  return !exists || (info.device == other.info.device && info.inode == other.info.inode &&
                     info.size == other.info.size && info.last_write == other.info.last_write);
}

CacheStore::~CacheStore() { Unlock(); }

CacheResult CacheStore::Open(std::string_view server, std::string_view database,
                             std::string_view user, int lock_attempts, uint32_t lock_interval_ms) {
  Unlock();
  opened_ = false;
  std::string cache_base = platform::UserCacheFolder();
  if (cache_base.empty()) return Failure(kResultCacheUpdateFailed, kTextNoHomeFolder);
  std::vector<std::string> folders = {CacheFolderBelow(cache_base)};
  // The old places: where earlier versions kept the cache.
  for (const std::string& base : {platform::ApplicationDataFolder(), platform::ProfileFolder()}) {
    if (!base.empty()) folders.push_back(CacheFolderBelow(base));
  }
  for (const std::string& checked : folders) {
    if (checked.size() >= kCacheFolderLimit) {
      return Failure(kResultCacheUpdateFailed,
                     FormatText(kFormatCacheFolderTooLong, checked.c_str()));
    }
  }
  std::string name = FileNamePart(server) + "__" + FileNamePart(database) + "_" +
                     FileNamePart(user) + kCacheFileExtension;
  folder_ = folders.front();
  file_ = JoinLocalPath(folder_, name);
  old_files_.clear();
  for (size_t i = 1; i < folders.size(); ++i) old_files_.push_back(JoinLocalPath(folders[i], name));
  read_from_old_place_.clear();
  lock_path_ = file_ + kCacheLockSuffix;
  lock_attempts_ = lock_attempts < 1 ? 1 : lock_attempts;
  lock_interval_ms_ = lock_interval_ms;
  model_.Clear();
  loaded_ = false;
  unreadable_ = false;
  identity_ = FileIdentity();
  opened_ = true;
  return CacheResult();
}

CacheResult CacheStore::Lock(const std::atomic<int32_t>* cancel) {
  if (!opened_) return Failure(kResultCacheUpdateFailed, kTextCacheLockNotOpened);
  if (is_locked()) return CacheResult();
  int32_t attributes = platform::GetAttributes(folder_);
  CacheResult unwritable;
  unwritable.result = kResultCacheUpdateFailed;
  unwritable.unwritable = true;
  if (attributes == platform::kInvalidAttributes) {
    if (CreateFolderPath(folder_) != kResultOk) {
      unwritable.description = FormatText(kFormatCacheFolderNotCreated, folder_.c_str());
      return unwritable;
    }
  } else if ((attributes & platform::kAttributeDirectory) == 0) {
    unwritable.description = FormatText(kFormatCacheFolderIsFile, folder_.c_str());
    return unwritable;
  }
  // Polled in short steps, so that a lock held briefly by each of several
  // processes in turn is taken soon after its release. The bound applies to
  // one hold: each holder counts its turn in the lock file, and a count that
  // moved means the lock is busy, not stuck, so the wait starts again (up to
  // kCacheLockBusyLimitMs in all).
  const uint64_t bound_ms = static_cast<uint64_t>(lock_attempts_) * lock_interval_ms_;
  const uint32_t step_ms =
      lock_interval_ms_ < kCacheLockPollMs ? lock_interval_ms_ : kCacheLockPollMs;
  uint64_t waited_ms = 0;
  uint64_t busy_ms = 0;
  uint64_t last_turn = 0;
  bool turn_known = false;
  for (;;) {
    int error = platform::File::Open(lock_path_, platform::FileAccess::kReadWrite,
                                     platform::FileCreation::kOpenOrCreate,
                                     platform::FileSharing::kExclusive, &lock_file_);
    if (error == 0) break;
    if (error != platform::OsErrorSharingViolation()) {
      unwritable.description = FileErrorText(error, lock_path_);
      return unwritable;
    }
    uint64_t turn = 0;
    if (ReadTurn(lock_path_, &turn)) {
      if (turn_known && turn != last_turn) waited_ms = 0;
      last_turn = turn;
      turn_known = true;
    }
    const bool canceled = cancel != nullptr && cancel->load(std::memory_order_relaxed) != 0;
    if (canceled || waited_ms + step_ms > bound_ms || busy_ms + step_ms > kCacheLockBusyLimitMs) {
      return Failure(kResultCacheUpdateFailed, kTextCacheUpdateFailed);
    }
    platform::SleepMs(step_ms);
    waited_ms += step_ms;
    busy_ms += step_ms;
  }
  CountTurn(lock_file_);
  return CacheResult();
}

int CacheStore::ReadOldPlace(std::string* text) {
  for (const std::string& old_file : old_files_) {
    bool exists = false;
    int error = ReadWholeFile(old_file, text, &exists);
    if (error != 0) return error;
    if (exists) {
      read_from_old_place_ = old_file;
      return 0;
    }
  }
  return 0;
}

CacheStore::FileIdentity CacheStore::CurrentIdentity() const {
  FileIdentity identity;
  identity.exists = platform::GetFileInfo(file_, &identity.info) == 0;
  return identity;
}

CacheResult CacheStore::Load() {
  if (!opened_) return Failure(kResultCacheUpdateFailed, kTextCacheLockNotOpened);
  FileIdentity now = CurrentIdentity();
  if (loaded_ && now == identity_) return CacheResult();

  std::string text;
  bool exists = false;
  int error = ReadWholeFile(file_, &text, &exists);
  read_from_old_place_.clear();
  if (error == 0 && !exists) error = ReadOldPlace(&text);
  if (error != 0) {
    read_from_old_place_.clear();  // an old file that cannot be read stays
    unreadable_ = true;
    return Failure(kResultCacheUpdateFailed, FileErrorText(error, file_));
  }

  // Marks and the current project belong to this process: they are carried
  // over the reload.
  std::map<std::string, NodeMarks> marks;
  std::vector<std::pair<std::string, const CacheNode*>> pending = {{kServerRoot, &model_.root()}};
  while (!pending.empty()) {
    auto [path, node] = pending.back();
    pending.pop_back();
    if (node->marks().any()) marks[path] = node->marks();
    for (size_t i = 0; i < node->sub_project_count(); ++i) {
      const CacheNode& child = node->sub_project(i);
      pending.emplace_back(JoinServerPath(path, child.name()), &child);
    }
  }
  std::string current = model_.current_project();
  bool reload = loaded_;

  model_.Clear();
  if (!text.empty() && !ParseCacheText(text, &model_)) {
    loaded_ = false;
    unreadable_ = true;
    read_from_old_place_.clear();
    return Failure(kResultCacheUpdateFailed, kTextCacheWrongFormat);
  }
  for (const auto& [path, node_marks] : marks) {
    if (CacheNode* node = model_.FindProject(path)) node->marks() = node_marks;
  }
  if (reload && model_.FindProject(current) != nullptr) model_.set_current_project(current);
  identity_ = now;
  loaded_ = true;
  unreadable_ = false;
  return CacheResult();
}

int CacheStore::KeepUnreadableFile() {
  if (platform::GetAttributes(file_) == platform::kInvalidAttributes) return 0;
  for (int number = 1;; ++number) {
    std::string aside = file_ + kCacheUnreadableSuffix + std::to_string(number);
    if (platform::GetAttributes(aside) == platform::kInvalidAttributes) {
      return platform::RenamePath(file_, aside);
    }
  }
}

CacheResult CacheStore::Save() {
  if (!is_locked()) return Failure(kResultCacheSaveFailed, kTextCacheUpdateFailed);
  if (unreadable_) {
    int error = KeepUnreadableFile();
    if (error != 0) return Failure(kResultCacheSaveFailed, FileErrorText(error, file_));
    unreadable_ = false;
  }
  int error = ReplaceFile(file_, file_ + kCacheTempSuffix, FormatCacheText(model_));
  if (error != 0) return Failure(kResultCacheSaveFailed, FileErrorText(error, file_));
  // The old place was read once; from now on the new place is the cache.
  if (!read_from_old_place_.empty()) platform::DeleteFile(read_from_old_place_);
  read_from_old_place_.clear();
  identity_ = CurrentIdentity();
  loaded_ = true;
  return CacheResult();
}

void CacheStore::Unlock() {
  if (!is_locked()) return;
  // Taken while the lock is still held, so that nobody's save slips between.
  if (loaded_ && !unreadable_) identity_ = CurrentIdentity();
  lock_file_.Close();
}

CacheResult CacheStore::Update(const std::atomic<int32_t>* cancel) {
  CacheResult locked = Lock(cancel);
  if (!locked.ok()) {
    locked.result = kResultCacheUpdateFailed;
    return locked;
  }
  CacheResult loaded = Load();
  if (loaded.ok()) return loaded;
  Save();
  Unlock();
  return Failure(kResultCacheUpdateFailed, kTextCacheUpdateFailed);
}

CacheResult CacheStore::SaveAndRelease() {
  CacheResult saved = Save();
  Unlock();
  if (!saved.ok()) return Failure(kResultCacheSaveFailed, saved.description);
  return saved;
}

}  // namespace qorv
