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
  std::string app_data = platform::ApplicationDataFolder();
  if (app_data.empty()) return Failure(kResultCacheUpdateFailed, kTextNoAppDataFolder);
  std::string profile = platform::ProfileFolder();
  if (profile.empty()) return Failure(kResultCacheUpdateFailed, kTextNoHomeFolder);
  std::string folder = CacheFolderBelow(app_data);
  std::string old_folder = CacheFolderBelow(profile);
  for (const std::string* checked : {&folder, &old_folder}) {
    if (checked->size() >= kCacheFolderLimit) {
      return Failure(kResultCacheUpdateFailed,
                     FormatText(kFormatCacheFolderTooLong, checked->c_str()));
    }
  }
  std::string name = FileNamePart(server) + "__" + FileNamePart(database) + "_" +
                     FileNamePart(user) + kCacheFileExtension;
  folder_ = std::move(folder);
  file_ = JoinLocalPath(folder_, name);
  old_file_ = JoinLocalPath(old_folder, name);
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

CacheResult CacheStore::Lock() {
  if (!opened_) return Failure(kResultCacheUpdateFailed, kTextCacheLockNotOpened);
  if (is_locked()) return CacheResult();
  int32_t attributes = platform::GetAttributes(folder_);
  if (attributes == platform::kInvalidAttributes) {
    if (CreateFolderPath(folder_) != kResultOk) {
      return Failure(kResultCacheUpdateFailed,
                     FormatText(kFormatCacheFolderNotCreated, folder_.c_str()));
    }
  } else if ((attributes & platform::kAttributeDirectory) == 0) {
    return Failure(kResultCacheUpdateFailed, FormatText(kFormatCacheFolderIsFile, folder_.c_str()));
  }
  for (int attempt = 1;; ++attempt) {
    int error = platform::File::Open(lock_path_, platform::FileAccess::kReadWrite,
                                     platform::FileCreation::kOpenOrCreate,
                                     platform::FileSharing::kExclusive, &lock_file_);
    if (error == 0) break;
    if (attempt >= lock_attempts_) return Failure(kResultCacheUpdateFailed, kTextCacheUpdateFailed);
    platform::SleepMs(lock_interval_ms_);
  }
  MoveFromOldLocation();
  return CacheResult();
}

void CacheStore::MoveFromOldLocation() {
  if (platform::GetAttributes(file_) != platform::kInvalidAttributes) return;
  int32_t old_attributes = platform::GetAttributes(old_file_);
  if (old_attributes == platform::kInvalidAttributes ||
      (old_attributes & platform::kAttributeDirectory) != 0) {
    return;
  }
  // Copied beside the new place and renamed into it, so that the new place
  // never holds a partial copy; the old file goes only once the copy is in.
  std::string temp = file_ + kCacheTempSuffix;
  if (platform::CopyFile(old_file_, temp) != 0 || platform::RenamePath(temp, file_) != 0) {
    platform::DeleteFile(temp);
    return;  // a new cache is started
  }
  platform::DeleteFile(old_file_);
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
  if (error != 0) {
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

CacheResult CacheStore::Update() {
  CacheResult locked = Lock();
  if (!locked.ok()) return Failure(kResultCacheUpdateFailed, locked.description);
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
