#include "local/qor_exception.h"

#include "net/format_text.h"
#include "platform/os_error.h"
#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

std::string WithPath(const std::string& text, std::string_view path) {
  if (path.empty()) return text;
  return FormatText(kFormatFileLayerWithPath, text.c_str(), std::string(path).c_str());
}

}  // namespace

const char* FileLayerCodeText(int32_t code) {
  switch (code) {
    case kFileErrorNoMemory:
      return kTextNotEnoughStorage;
    case kFileErrorFileNotFound:
      return kTextFileNotFound;
    case kFileErrorPathNotFound:
      return kTextPathNotFound;
    case kFileErrorCannotOpen:
      return kTextCannotOpenFile;
    case kFileErrorAccessDenied:
      return kTextAccessDenied;
    case kFileErrorInvalidHandle:
      return kTextInvalidHandle;
    case kFileErrorCannotRemoveFolder:
      return kTextCannotRemoveFolder;
    case kFileErrorNoSpoolSpace:
      return kTextNoSpoolSpace;
    case kFileErrorBadSeek:
      return kTextBadSeek;
    case kFileErrorNoDevice:
      return kTextNoDevice;
    case kFileErrorSharingViolation:
      return kTextSharingViolation;
    case kFileErrorLockViolation:
      return kTextLockViolation;
    case kFileErrorDiskFull:
      return kTextDiskFull;
    case kFileErrorEndOfFile:
      return kTextEndOfFile;
    case kFileErrorPrivilegeNotHeld:
      return kTextPrivilegeNotHeld;
    case kFileErrorFileExists:
      return kTextFileExists;
    default:
      return kTextGeneralError;
  }
}

CQORException CQORException::ForCode(int32_t code, std::string_view path) {
  return CQORException(code, WithPath(FileLayerCodeText(code), path));
}

CQORException CQORException::ForOsError(int os_error, std::string_view path) {
  int32_t code = platform::FileLayerCodeOf(os_error, path);
  if (code != kFileErrorGeneric) return ForCode(code, path);
  std::string text = platform::OsErrorText(os_error);
  if (text.empty()) text = kTextGeneralError;
  return CQORException(code, WithPath(text, path));
}

}  // namespace qorv
