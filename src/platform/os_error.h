// Operating-system error numbers as the file layer sees them.
//
// Every platform file call returns 0 or the operating system's error number
// (errno here). The working-folder file layer turns that number into one of
// its own codes (FileLayerCode in qorvsdk/result_codes.h) and, for errors it
// has no code of its own for, into the operating system's message text.
#ifndef QORV_PLATFORM_OS_ERROR_H_
#define QORV_PLATFORM_OS_ERROR_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace qorv::platform {

// The file-layer code for `os_error` met while working on `path`: 0 for 0, a
// code from 101 to 113 where one fits, else 1. A missing entry is told apart
// from a missing folder on its way by looking at the path's parent (101 "file"
// when the parent folder exists, 102 "path" when it does not).
int32_t FileLayerCodeOf(int os_error, std::string_view path);

// The operating system's message for `os_error` in the neutral language;
// empty when it has none.
std::string OsErrorText(int os_error);

// The error number of the last failed call on this thread.
int LastOsError();

// A few error numbers that callers outside the platform layer test for.
int OsErrorNotFound();          // the entry does not exist
int OsErrorSharingViolation();  // another open of the file holds it exclusively
int OsErrorInvalidArgument();   // an argument the call cannot use

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_OS_ERROR_H_
