#include "platform/com/win32_api.h"
#include "platform/process.h"

// Needs the types of windows.h before it.
#include <psapi.h>

namespace qorv::platform {
namespace {

// A handle to query the process with, or null.
HANDLE OpenForQuery(int64_t process_id) {
  return ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE,
                       static_cast<DWORD>(process_id));
}

}  // namespace

uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }

uint32_t CurrentThreadId() { return ::GetCurrentThreadId(); }

std::string ExecutableFile() {
  // Paths may be longer than MAX_PATH: grow until the name fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) {
      // Local paths are "/" paths on every system (C:/folder/qorv.exe).
      std::string file = Utf8Text(std::wstring_view(path.data(), length));
      for (char& c : file) {
        if (c == '\\') c = '/';
      }
      return file;
    }
    if (path.size() >= 32768) return std::string();
    path.resize(path.size() * 2);
  }
}

bool ProcessExists(int64_t process_id) {
  HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(process_id));
  if (process == nullptr) return ::GetLastError() == ERROR_ACCESS_DENIED;
  bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  ::CloseHandle(process);
  return running;
}

uint32_t TickCountMs() { return ::GetTickCount(); }

void SleepMs(uint32_t milliseconds) { ::Sleep(milliseconds); }

bool RunsAsAdministrator() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  bool elevated =
      ::GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) &&
      elevation.TokenIsElevated != 0;
  ::CloseHandle(token);
  return elevated;
}

uint64_t PeakResidentBytes(int64_t process_id) {
  HANDLE process = OpenForQuery(process_id);
  if (process == nullptr) return 0;
  PROCESS_MEMORY_COUNTERS counters{};
  uint64_t bytes = ::GetProcessMemoryInfo(process, &counters, sizeof(counters))
                       ? counters.PeakWorkingSetSize
                       : 0;
  ::CloseHandle(process);
  return bytes;
}

uint64_t ResidentBytes(int64_t process_id) {
  HANDLE process = OpenForQuery(process_id);
  if (process == nullptr) return 0;
  PROCESS_MEMORY_COUNTERS counters{};
  uint64_t bytes =
      ::GetProcessMemoryInfo(process, &counters, sizeof(counters)) ? counters.WorkingSetSize : 0;
  ::CloseHandle(process);
  return bytes;
}

// Windows has no per-process limit on open handles to lower.
bool SetOpenFileLimit(uint64_t /*limit*/, uint64_t* /*previous*/) { return false; }

double CpuSeconds(int64_t process_id) {
  HANDLE process = OpenForQuery(process_id);
  if (process == nullptr) return -1;
  FILETIME created, ended, kernel, user;
  double seconds = -1;
  if (::GetProcessTimes(process, &created, &ended, &kernel, &user)) {
    seconds = static_cast<double>(FromFiletime(kernel) + FromFiletime(user)) / 1e7;
  }
  ::CloseHandle(process);
  return seconds;
}

}  // namespace qorv::platform
