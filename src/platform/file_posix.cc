#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "platform/file.h"

namespace qorv::platform {

int File::Open(const std::string& path, FileAccess access, FileCreation creation,
               FileSharing sharing, File* file) {
  file->Close();
  int flags = O_CLOEXEC;
  switch (access) {
    case FileAccess::kRead:
      flags |= O_RDONLY;
      break;
    case FileAccess::kWrite:
      flags |= O_WRONLY;
      break;
    case FileAccess::kReadWrite:
      flags |= O_RDWR;
      break;
  }
  if (creation != FileCreation::kOpenExisting) flags |= O_CREAT;
  // Truncation waits until the lock is held (below).
  int descriptor;
  do {
    descriptor = ::open(path.c_str(), flags, 0666);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) return errno;
  File opened(descriptor);
  struct stat info;
  if (::fstat(descriptor, &info) != 0) return errno;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  if (sharing == FileSharing::kExclusive) {
    int locked;
    do {
      locked = ::flock(descriptor, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) return errno;
  }
  if (creation == FileCreation::kCreateAlways && ::ftruncate(descriptor, 0) != 0) return errno;
  *file = std::move(opened);
  return 0;
}

int File::Read(void* buffer, size_t size, size_t* read) {
  *read = 0;
  if (descriptor_ < 0) return EBADF;
  ssize_t got;
  do {
    got = ::read(descriptor_, buffer, size);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return errno;
  *read = static_cast<size_t>(got);
  return 0;
}

int File::Write(const void* buffer, size_t size) {
  if (descriptor_ < 0) return EBADF;
  const char* next = static_cast<const char*>(buffer);
  while (size > 0) {
    ssize_t written = ::write(descriptor_, next, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    next += written;
    size -= static_cast<size_t>(written);
  }
  return 0;
}

int File::Seek(uint64_t offset) {
  if (descriptor_ < 0) return EBADF;
  return ::lseek(descriptor_, static_cast<off_t>(offset), SEEK_SET) < 0 ? errno : 0;
}

int File::Truncate(uint64_t size) {
  if (descriptor_ < 0) return EBADF;
  return ::ftruncate(descriptor_, static_cast<off_t>(size)) != 0 ? errno : 0;
}

int File::Size(uint64_t* size) {
  if (descriptor_ < 0) return EBADF;
  struct stat info;
  if (::fstat(descriptor_, &info) != 0) return errno;
  *size = static_cast<uint64_t>(info.st_size);
  return 0;
}

int File::Sync() {
  if (descriptor_ < 0) return EBADF;
  return ::fsync(descriptor_) != 0 ? errno : 0;
}

int File::Close() {
  if (descriptor_ < 0) return 0;
  // The descriptor is gone after close() whatever it returns; EINTR is not
  // retried for that reason.
  int result = ::close(std::exchange(descriptor_, -1));
  return result != 0 && errno != EINTR ? errno : 0;
}

}  // namespace qorv::platform
