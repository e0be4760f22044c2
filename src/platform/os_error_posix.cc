#include <errno.h>
#include <string.h>
#include <sys/stat.h>

#include "platform/os_error.h"
#include "qorvsdk/result_codes.h"

namespace qorv::platform {
namespace {

// True when the folder that would hold `path` exists.
bool ParentFolderExists(std::string_view path) {
  size_t slash = path.find_last_of('/');
  std::string parent;
  if (slash == std::string_view::npos) {
    parent = ".";
  } else if (slash == 0) {
    parent = "/";
  } else {
    parent.assign(path.substr(0, slash));
  }
  struct stat info;
  return ::stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

int32_t FileLayerCodeOf(int os_error, std::string_view path) {
  switch (os_error) {
    case 0:
      return kFileErrorNone;
    case ENOENT:
      return ParentFolderExists(path) ? kFileErrorFileNotFound : kFileErrorPathNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EXDEV:
      return kFileErrorPathNotFound;
    case EMFILE:
    case ENFILE:
      return kFileErrorCannotOpen;
    case EACCES:
    case EPERM:
    case EROFS:
    case EEXIST:
    case EISDIR:
      return kFileErrorAccessDenied;
    case EBADF:
      return kFileErrorInvalidHandle;
    case ENOTEMPTY:
      return kFileErrorCannotRemoveFolder;
    case EIO:
    case ESPIPE:
      return kFileErrorBadSeek;
    case ENODEV:
    case ENXIO:
      return kFileErrorNoDevice;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK:
      return kFileErrorSharingViolation;
    case EDEADLK:
    case ENOLCK:
      return kFileErrorLockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kFileErrorDiskFull;
    default:
      return kFileErrorGeneric;
  }
}

std::string OsErrorText(int os_error) {
  char buffer[256];
  // The GNU strerror_r returns a pointer to the text, which may or may not be
  // the buffer.
  const char* text = ::strerror_r(os_error, buffer, sizeof(buffer));
  return text != nullptr ? std::string(text) : std::string();
}

int LastOsError() { return errno; }

int OsErrorNotFound() { return ENOENT; }

int OsErrorSharingViolation() { return EWOULDBLOCK; }

int OsErrorInvalidArgument() { return EINVAL; }

}  // namespace qorv::platform
