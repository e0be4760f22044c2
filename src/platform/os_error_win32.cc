#include "platform/com/win32_api.h"
#include "platform/os_error.h"
#include "qorvsdk/result_codes.h"

namespace qorv::platform {
namespace {

// True when the folder that would hold `path` exists.
bool ParentFolderExists(std::string_view path) {
  size_t separator = path.find_last_of("/\\");
  std::string parent = separator == std::string_view::npos ? std::string(".")
                                                           : std::string(path.substr(0, separator));
  if (parent.empty() || parent.back() == ':') parent += '\\';
  DWORD attributes = ::GetFileAttributesW(WideText(parent).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

int32_t FileLayerCodeOf(int os_error, std::string_view path) {
  switch (static_cast<DWORD>(os_error)) {
    case 0:
      return kFileErrorNone;
    // The file calls report a missing folder on the way as a missing entry
    // (LastFileError), as POSIX does.
    case ERROR_FILE_NOT_FOUND:
      return ParentFolderExists(path) ? kFileErrorFileNotFound : kFileErrorPathNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_NOT_SAME_DEVICE:
      return kFileErrorPathNotFound;
    case ERROR_TOO_MANY_OPEN_FILES:
      return kFileErrorCannotOpen;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return kFileErrorAccessDenied;
    case ERROR_INVALID_HANDLE:
      return kFileErrorInvalidHandle;
    case ERROR_DIR_NOT_EMPTY:
      return kFileErrorCannotRemoveFolder;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
      return kFileErrorBadSeek;
    case ERROR_NOT_READY:
    case ERROR_BAD_UNIT:
      return kFileErrorNoDevice;
    case ERROR_SHARING_VIOLATION:
      return kFileErrorSharingViolation;
    case ERROR_LOCK_VIOLATION:
      return kFileErrorLockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return kFileErrorDiskFull;
    case ERROR_HANDLE_EOF:
      return kFileErrorEndOfFile;
    default:
      return kFileErrorGeneric;
  }
}

std::string OsErrorText(int os_error) { return SystemErrorText(static_cast<DWORD>(os_error)); }

int LastOsError() { return LastFileError(); }
int OsErrorNotFound() { return ERROR_FILE_NOT_FOUND; }
int OsErrorSharingViolation() { return ERROR_SHARING_VIOLATION; }
int OsErrorInvalidArgument() { return ERROR_INVALID_PARAMETER; }

}  // namespace qorv::platform
