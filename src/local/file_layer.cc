#include "local/file_layer.h"

#include "local/qor_exception.h"
#include "platform/com/ascii_case.h"
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
  return platform::GetAttributes(path);
}

void FileLayer::SetAttributes(const std::string& path, int32_t attributes) {
  platform::MutexLock lock(StripeFor(path));
  ThrowIfFailed(platform::SetAttributes(path, attributes), path);
}

platform::FileTime FileLayer::GetLastWriteTime(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  platform::FileTime time = 0;
  ThrowIfFailed(platform::GetLastWriteTime(path, &time), path);
  return time;
}

void FileLayer::SetLastWriteTime(const std::string& path, platform::FileTime time) {
  platform::MutexLock lock(StripeFor(path));
  ThrowIfFailed(platform::SetLastWriteTime(path, time), path);
}

uint64_t FileLayer::GetFileSize(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  uint64_t size = 0;
  ThrowIfFailed(platform::GetFileSize(path, &size), path);
  return size;
}

uint64_t FileLayer::GetFreeSpace(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  uint64_t bytes = 0;
  ThrowIfFailed(platform::GetFreeSpace(path, &bytes), path);
  return bytes;
}

void FileLayer::CreateFolder(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  ThrowIfFailed(platform::CreateFolder(path), path);
}

void FileLayer::RemoveFolder(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  ThrowIfFailed(platform::RemoveFolder(path), path);
}

void FileLayer::DeleteFile(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  ThrowIfFailed(platform::DeleteFile(path), path);
}

std::vector<platform::FolderEntry> FileLayer::ListFolder(const std::string& path) {
  platform::MutexLock lock(StripeFor(path));
  std::vector<platform::FolderEntry> entries;
  ThrowIfFailed(platform::ListFolder(path, &entries), path);
  return entries;
}

void FileLayer::ClearReadOnlyBeforeReplacing(const std::string& path) {
  int32_t attributes = platform::GetAttributes(path);
  if (attributes == platform::kInvalidAttributes ||
      (attributes & platform::kAttributeReadOnly) == 0) {
    return;
  }
  if (platform::SetAttributes(path, platform::kAttributeNormal) != 0) {
    throw CQORException::ForCode(kFileErrorAccessDenied, path);
  }
}

platform::File FileLayer::Open(const std::string& path, platform::FileAccess access,
                               platform::FileCreation creation, platform::FileSharing sharing) {
  platform::MutexLock lock(StripeFor(path));
  if (creation == platform::FileCreation::kCreateAlways) ClearReadOnlyBeforeReplacing(path);
  platform::File file;
  ThrowIfFailed(platform::File::Open(path, access, creation, sharing, &file), path);
  return file;
}

size_t FileLayer::Read(platform::File& file, const std::string& path, void* buffer, size_t size) {
  platform::MutexLock lock(StripeFor(path));
  size_t read = 0;
  ThrowIfFailed(file.Read(buffer, size, &read), path);
  return read;
}

void FileLayer::Write(platform::File& file, const std::string& path, const void* buffer,
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
    ClearReadOnlyBeforeReplacing(to);
    ThrowIfFailed(platform::MovePath(from, to), from);
  });
}

void FileLayer::Copy(const std::string& from, const std::string& to) {
  WithTwoPaths(from, to, [&] {
    int32_t former = platform::GetAttributes(to);
    ClearReadOnlyBeforeReplacing(to);
    int error = platform::CopyFile(from, to);
    if (error != 0) {
      // The error names the path that failed: the source when it cannot be
      // read, the target otherwise.
      throw CQORException::ForOsError(
          error, platform::GetAttributes(from) == platform::kInvalidAttributes ? from : to);
    }
    if (former != platform::kInvalidAttributes) {
      ThrowIfFailed(platform::SetAttributes(to, former), to);
    }
  });
}

}  // namespace qorv
