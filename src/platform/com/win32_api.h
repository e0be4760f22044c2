// The Windows API for the *_win32.cc files of the platform layer, without
// the macros that would rename this layer's own functions of the same names
// (DeleteFile, CopyFile, PeekMessage ...) to their A/W forms. Included only
// by *_win32.cc files, never together with qorvsdk/comtypes.h, whose own
// declarations of the COM base types stand in for the system's elsewhere.
#ifndef QORV_PLATFORM_COM_WIN32_API_H_
#define QORV_PLATFORM_COM_WIN32_API_H_

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>
#include <string_view>

#undef DeleteFile
#undef CopyFile
#undef GetEnvironmentVariable
#undef SetEnvironmentVariable
#undef PeekMessage
#undef DispatchMessage
#undef MsgWaitForMultipleObjects
#undef CreateWindow
#undef SendMessage
#undef PostMessage
#undef GetFreeSpace

namespace qorv::platform {

// UTF-8 text (a path, a name) as the system's UTF-16, and back.
std::wstring WideText(std::string_view text);
std::string Utf8Text(std::wstring_view text);

// The system's message for `error` (a GetLastError or WSAGetLastError code)
// in the neutral language, without the line end; empty when it has none.
std::string SystemErrorText(DWORD error);

// The last error of a file call. A missing folder on the way
// (ERROR_PATH_NOT_FOUND) is reported as a missing entry
// (ERROR_FILE_NOT_FOUND), as POSIX reports both as ENOENT: callers test for
// one "not found" number (os_error.h), and FileLayerCodeOf tells the two
// apart again by looking at the parent folder.
inline int LastFileError() {
  DWORD error = ::GetLastError();
  return static_cast<int>(error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error);
}

// Handles fit in 32 bits on 64-bit Windows (they are shared with 32-bit
// processes), so the int fields that hold descriptors elsewhere hold them.
inline int HandleToInt(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? -1 : static_cast<int>(reinterpret_cast<intptr_t>(handle));
}
inline HANDLE IntToHandle(int value) {
  return value == -1 ? INVALID_HANDLE_VALUE
                     : reinterpret_cast<HANDLE>(static_cast<intptr_t>(value));
}

// 100-nanosecond units since 1601 in a FILETIME and back.
inline uint64_t FromFiletime(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}
inline FILETIME ToFiletime(uint64_t time) {
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(time);
  result.dwHighDateTime = static_cast<DWORD>(time >> 32);
  return result;
}

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COM_WIN32_API_H_
