#include "local/file_layer.h"

#include <string>

#include "local/qor_exception.h"
#include "platform/com/ascii_case.h"
#include "platform/os_error.h"
#include "platform/process.h"
#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

void ThrowIfFailed(int os_error, std::string_view path) {
  if (os_error != 0) throw CQORException::ForOsError(os_error, path);
}

}  // namespace

FileLayer& FileLayer::Shared() {
  static FileLayer layer;
  return layer;
}

uint32_t FileLayer::PathHash(std::string_view path) {
  uint32_t hash = 0;
  for (char c : AsciiLower(path)) {
    // The byte counts as signed: bytes of multibyte characters subtract.
    hash = hash * 33u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(c)));
  }
  return hash;
}

size_t FileLayer::StripeOf(std::string_view path) { return PathHash(path) % kStripeCount; }

int32_t FileLayer::GetAttributes(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  return files().GetAttributes(path);
}

void FileLayer::SetAttributes(const std::string& path, int32_t attributes) {
  platform::MutexLock lock(StripeFor(path));
  ThrowIfFailed(files().SetAttributes(path, attributes), path);
}

platform::FileTime FileLayer::GetLastWriteTime(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  platform::FileTime time = 0;
  ThrowIfFailed(files().GetLastWriteTime(path, &time), path);
  return time;
}

void FileLayer::SetLastWriteTime(const std::string& path, platform::FileTime time) {
  platform::MutexLock lock(StripeFor(path));
  ThrowIfFailed(files().SetLastWriteTime(path, time), path);
}

uint64_t FileLayer::GetFileSize(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  uint64_t size = 0;
  ThrowIfFailed(files().GetFileSize(path, &size), path);
  return size;
}

uint64_t FileLayer::GetFreeSpace(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  uint64_t bytes = 0;
  ThrowIfFailed(files().GetFreeSpace(path, &bytes), path);
  return bytes;
}

bool FileLayer::IsSymbolicLink(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  return files().IsSymbolicLink(path);
}

void FileLayer::CreateFolder(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  ThrowIfFailed(files().CreateFolder(path), path);
}

void FileLayer::RemoveFolder(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  ThrowIfFailed(files().RemoveFolder(path), path);
}

void FileLayer::DeleteFile(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  ThrowIfFailed(files().DeleteFile(path), path);
}

bool FileLayer::DeleteTemporary(const std::string& path) noexcept {
  constexpr int kAttempts = 5;
  constexpr uint32_t kPauseMs = 20;
  for (int attempt = 1;; ++attempt) {
    int error;
    {
      platform::MutexLock lock(StripeFor(path));
      error = files().DeleteFile(path);
    }
    if (error == 0 || error == platform::OsErrorNotFound()) return true;
    if (attempt == kAttempts) return false;
    platform::SleepMs(kPauseMs);
  }
}

std::vector<platform::FolderEntry> FileLayer::ListFolder(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  std::vector<platform::FolderEntry> entries;
  ThrowIfFailed(files().ListFolder(path, &entries), path);
  return entries;
}

int64_t FileLayer::ReplacementOwner(std::string_view name) {
  // "~qorv" digits "-" digits ".tmp"
  constexpr std::string_view kPrefix = "~qorv";
  constexpr std::string_view kSuffix = ".tmp";
  if (name.size() <= kPrefix.size() + kSuffix.size() || name.substr(0, kPrefix.size()) != kPrefix ||
      name.substr(name.size() - kSuffix.size()) != kSuffix) {
    return 0;
  }
  std::string_view middle =
      name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  const size_t dash = middle.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash + 1 == middle.size() || dash > 10) {
    return 0;
  }
  int64_t owner = 0;
  for (size_t i = 0; i < middle.size(); ++i) {
    if (i == dash) continue;
    if (middle[i] < '0' || middle[i] > '9') return 0;
    if (i < dash) owner = owner * 10 + (middle[i] - '0');
  }
  return owner;
}

size_t FileLayer::RemoveStaleReplacements(const std::string& folder) {
  std::vector<platform::FolderEntry> entries;
  {
    platform::MutexLock lock(StripeFor(folder));
    if (files().ListFolder(folder, &entries) != 0) return 0;
  }
  size_t removed = 0;
  std::string base = folder;
  if (!base.empty() && base.back() != '/') base += '/';
  for (const platform::FolderEntry& entry : entries) {
    if (entry.is_directory) continue;
    const int64_t owner = ReplacementOwner(entry.name);
    if (owner == 0 || owner == platform::CurrentProcessId() || platform::ProcessExists(owner)) {
      continue;
    }
    const std::string path = base + entry.name;
    platform::MutexLock lock(StripeFor(path));
    if (files().DeleteFile(path) == 0) ++removed;
  }
  return removed;
}

void FileLayer::ClearReadOnlyBeforeReplacing(platform::FileSystem& files, const std::string& path) {
  int32_t attributes = files.GetAttributes(path);
  if (attributes == platform::kInvalidAttributes ||
      (attributes & platform::kAttributeReadOnly) == 0) {
    return;
  }
  if (files.SetAttributes(path, platform::kAttributeNormal) != 0) {
    throw CQORException::ForCode(kFileErrorAccessDenied, path);
  }
}

std::unique_ptr<platform::OpenFile> FileLayer::Open(const std::string& path,
                                                    platform::FileAccess access,
                                                    platform::FileCreation creation,
                                                    platform::FileSharing sharing) {
  platform::MutexLock lock(StripeFor(path));
  platform::FileSystem& fs = files();
  if (creation == platform::FileCreation::kCreateAlways) ClearReadOnlyBeforeReplacing(fs, path);
  std::unique_ptr<platform::OpenFile> file;
  ThrowIfFailed(fs.Open(path, access, creation, sharing, &file), path);
  return file;
}

size_t FileLayer::Read(platform::OpenFile& file, const std::string& path, void* buffer,
                       size_t size) {
  platform::MutexLock lock(StripeFor(path));
  size_t read = 0;
  ThrowIfFailed(file.Read(buffer, size, &read), path);
  return read;
}

void FileLayer::Write(platform::OpenFile& file, const std::string& path, const void* buffer,
                      size_t size) {
  platform::MutexLock lock(StripeFor(path));
  ThrowIfFailed(file.Write(buffer, size), path);
}

template <typename Step>
void FileLayer::WithTwoPaths(const std::string& from, const std::string& to, Step step) {
  platform::MutexLock global(two_path_lock_);
  size_t first = StripeOf(from);
  size_t second = StripeOf(to);
  if (first > second) std::swap(first, second);
  platform::MutexLock first_lock(stripes_[first]);
  if (first == second) {
    step();
    return;
  }
  platform::MutexLock second_lock(stripes_[second]);
  step();
}

void FileLayer::Move(const std::string& from, const std::string& to) {
  WithTwoPaths(from, to, [&] {
    platform::FileSystem& fs = files();
    ClearReadOnlyBeforeReplacing(fs, to);
    ThrowIfFailed(fs.MovePath(from, to), from);
  });
}

void FileLayer::Copy(const std::string& from, const std::string& to) {
  WithTwoPaths(from, to, [&] {
    platform::FileSystem& fs = files();
    int32_t former = fs.GetAttributes(to);
    ClearReadOnlyBeforeReplacing(fs, to);
    int error = fs.CopyFile(from, to);
    if (error != 0) {
      // The error names the path that failed: the source when it cannot be
      // read, the target otherwise.
      throw CQORException::ForOsError(
          error, fs.GetAttributes(from) == platform::kInvalidAttributes ? from : to);
    }
    if (former != platform::kInvalidAttributes) {
      ThrowIfFailed(fs.SetAttributes(to, former), to);
    }
  });
}

FileLayer::Replacement FileLayer::BeginReplacement(const std::string& path) {
  size_t slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string temporary = folder + "~qorv" + std::to_string(platform::CurrentProcessId()) + "-" +
                          std::to_string(next_replacement_.fetch_add(1)) + ".tmp";
  std::unique_ptr<platform::OpenFile> file;
  {
    platform::MutexLock lock(StripeFor(temporary));
    // Exclusive: nobody else may see or take a file that is still being
    // written.
    ThrowIfFailed(
        files().Open(temporary, platform::FileAccess::kWrite, platform::FileCreation::kCreateAlways,
                     platform::FileSharing::kExclusive, &file),
        path);
  }
  return Replacement(*this, path, std::move(temporary), std::move(file));
}

FileLayer::Replacement::Replacement(FileLayer& layer, std::string target, std::string temporary,
                                    std::unique_ptr<platform::OpenFile> file)
    : layer_(&layer),
      target_(std::move(target)),
      temporary_(std::move(temporary)),
      file_(std::move(file)) {}

FileLayer::Replacement::Replacement(Replacement&& other) noexcept
    : layer_(other.layer_),
      target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      file_(std::move(other.file_)),
      pending_(other.pending_) {
  other.pending_ = false;
}

FileLayer::Replacement::~Replacement() { Discard(); }

void FileLayer::Replacement::Discard() noexcept {
  if (!pending_) return;
  pending_ = false;
  if (file_) {
    platform::MutexLock lock(layer_->StripeFor(temporary_));
    file_->Close();
    file_.reset();
  }
  layer_->DeleteTemporary(temporary_);
}

void FileLayer::Replacement::Write(const void* buffer, size_t size) {
  if (!file_) throw CQORException::ForCode(kFileErrorInvalidHandle, target_);
  int error;
  {
    platform::MutexLock lock(layer_->StripeFor(temporary_));
    error = file_->Write(buffer, size);
  }
  if (error != 0) {
    Discard();
    ThrowIfFailed(error, target_);
  }
}

void FileLayer::Replacement::CloseFile() {
  if (!pending_) throw CQORException::ForCode(kFileErrorInvalidHandle, target_);
  if (!file_) return;
  int error;
  {
    platform::MutexLock lock(layer_->StripeFor(temporary_));
    error = file_->Close();
    file_.reset();
  }
  if (error != 0) {
    Discard();
    ThrowIfFailed(error, target_);
  }
}

void FileLayer::Replacement::Commit() {
  CloseFile();
  try {
    layer_->WithTwoPaths(temporary_, target_, [&] {
      platform::FileSystem& fs = layer_->files();
      layer_->ClearReadOnlyBeforeReplacing(fs, target_);
      ThrowIfFailed(fs.RenamePath(temporary_, target_), target_);
    });
  } catch (...) {
    Discard();
    throw;
  }
  pending_ = false;
}

}  // namespace qorv
