#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "platform/file_system.h"

namespace qorv::platform {
namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDifferenceSeconds = 11644473600LL;
constexpr int64_t kTicksPerSecond = 10000000LL;

constexpr mode_t kAllWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

FileTime ToFileTime(const timespec& time) {
  int64_t ticks = (static_cast<int64_t>(time.tv_sec) + kEpochDifferenceSeconds) * kTicksPerSecond +
                  time.tv_nsec / 100;
  return ticks < 0 ? 0 : static_cast<FileTime>(ticks);
}

timespec ToTimespec(FileTime time) {
  timespec result;
  result.tv_sec =
      static_cast<time_t>(static_cast<int64_t>(time / kTicksPerSecond) - kEpochDifferenceSeconds);
  result.tv_nsec = static_cast<long>(time % kTicksPerSecond) * 100;
  return result;
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// Closes a descriptor on every path out of a copy.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) != 0 ? errno : 0;
  }

 private:
  int fd_;
};

int CopyBytes(int from, int to) {
  constexpr size_t kPiece = 64 * 1024;
  std::unique_ptr<char[]> buffer(new char[kPiece]);
  for (;;) {
    ssize_t got = ::read(from, buffer.get(), kPiece);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return 0;
    const char* next = buffer.get();
    size_t left = static_cast<size_t>(got);
    while (left > 0) {
      ssize_t written = ::write(to, next, left);
      if (written < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      next += written;
      left -= static_cast<size_t>(written);
    }
  }
}

}  // namespace

int32_t GetAttributes(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return kInvalidAttributes;
  int32_t attributes = 0;
  if (S_ISDIR(info.st_mode)) attributes |= kAttributeDirectory;
  if ((info.st_mode & kAllWriteBits) == 0) attributes |= kAttributeReadOnly;
  return attributes == 0 ? kAttributeNormal : attributes;
}

int SetAttributes(const std::string& path, int32_t attributes) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return errno;
  mode_t mode = info.st_mode & 07777;
  mode_t wanted = mode;
  if ((attributes & kAttributeReadOnly) != 0) {
    wanted &= ~kAllWriteBits;
  } else if ((mode & kAllWriteBits) == 0) {
    wanted |= S_IWUSR;
  }
  if (wanted == mode) return 0;
  return ::chmod(path.c_str(), wanted) != 0 ? errno : 0;
}

int GetFileInfo(const std::string& path, FileInfo* info) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) return errno;
  info->is_directory = S_ISDIR(status.st_mode);
  info->size = static_cast<uint64_t>(status.st_size);
  info->last_write = ToFileTime(status.st_mtim);
  info->device = static_cast<uint64_t>(status.st_dev);
  info->inode = static_cast<uint64_t>(status.st_ino);
  return 0;
}

int GetLastWriteTime(const std::string& path, FileTime* time) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) return errno;
  *time = ToFileTime(status.st_mtim);
  return 0;
}

int SetLastWriteTime(const std::string& path, FileTime time) {
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1] = ToTimespec(time);
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0 ? errno : 0;
}

int GetFileSize(const std::string& path, uint64_t* size) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) return errno;
  *size = static_cast<uint64_t>(status.st_size);
  return 0;
}

int GetFreeSpace(const std::string& path, uint64_t* bytes) {
  struct statvfs status;
  if (::statvfs(path.c_str(), &status) != 0) return errno;
  *bytes = static_cast<uint64_t>(status.f_bavail) * static_cast<uint64_t>(status.f_frsize);
  return 0;
}

bool IsSymbolicLink(const std::string& path) {
  struct stat status;
  return ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

int CreateFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) != 0 ? errno : 0; }

int RemoveFolder(const std::string& path) { return ::rmdir(path.c_str()) != 0 ? errno : 0; }

int DeleteFile(const std::string& path) {
  struct stat status;
  if (::lstat(path.c_str(), &status) != 0) return errno;
  if (S_ISDIR(status.st_mode)) return EISDIR;
  return ::unlink(path.c_str()) != 0 ? errno : 0;
}

int ListFolder(const std::string& path, std::vector<FolderEntry>* entries) {
  entries->clear();
  std::unique_ptr<DIR, DirCloser> dir(::opendir(path.c_str()));
  if (!dir) return errno;
  for (;;) {
    errno = 0;
    dirent* entry = ::readdir(dir.get());
    if (entry == nullptr) return errno;
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    FolderEntry item;
    item.name = entry->d_name;
    if (entry->d_type == DT_UNKNOWN) {
      struct stat status;
      std::string full = path + "/" + item.name;
      item.is_directory = ::lstat(full.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
    } else {
      item.is_directory = entry->d_type == DT_DIR;
    }
    entries->push_back(std::move(item));
  }
}

int RenamePath(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) != 0 ? errno : 0;
}

int MovePath(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) == 0) return 0;
  int error = errno;
  if (error != EXDEV) return error;
  struct stat status;
  if (::lstat(from.c_str(), &status) != 0) return errno;
  if (!S_ISREG(status.st_mode)) return EXDEV;
  error = CopyFile(from, to);
  if (error != 0) return error;
  return DeleteFile(from);
}

int CopyFile(const std::string& from, const std::string& to) {
  Descriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (source.get() < 0) return errno;
  struct stat source_status;
  if (::fstat(source.get(), &source_status) != 0) return errno;
  if (S_ISDIR(source_status.st_mode)) return EISDIR;
  struct stat target_status;
  bool target_existed = ::stat(to.c_str(), &target_status) == 0;
  // Copying a file onto itself would truncate it before reading it.
  if (target_existed && target_status.st_dev == source_status.st_dev &&
      target_status.st_ino == source_status.st_ino) {
    return EINVAL;
  }
  Descriptor target(
      ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, source_status.st_mode & 0777));
  if (target.get() < 0) return errno;
  int error = CopyBytes(source.get(), target.get());
  if (error == 0) {
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = source_status.st_mtim;
    if (::futimens(target.get(), times) != 0) error = errno;
  }
  int close_error = target.Release();
  if (error == 0) error = close_error;
  // A half-written new file is not left behind.
  if (error != 0 && !target_existed) ::unlink(to.c_str());
  return error;
}

}  // namespace qorv::platform
