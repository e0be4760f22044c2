// The Windows side of the command-line programs' platform facilities
// (src/platform/console/ and termination_signals), run under Wine by
// scripts/windows-test:
//   console_test.exe
// Everything it makes lives in a folder of its own under the temporary
// folder, removed at the end. Prints one line per failed check and
// "N passed, N failed"; the exit code is 0 only when nothing failed.
#include <winsock2.h>
// Before windows.h, which would bring in the older winsock.h.
#include <windows.h>

#include <aclapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "checks.h"
#include "platform/console/interrupt_watch.h"
#include "platform/console/local_paths.h"
#include "platform/console/local_probe.h"
#include "platform/console/standard_output.h"
#include "platform/console/terminal.h"
#include "platform/program_launch.h"
#include "platform/termination_signals.h"

namespace {

using qorv_windows_test::Check;
using qorv_windows_test::Narrow;
namespace platform = qorv::platform;

std::wstring Wide(const std::string& text) {
  int length = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring result(static_cast<size_t>(length > 0 ? length - 1 : 0), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, result.data(), length);
  return result;
}

// The system's own text for `error`, to compare the reasons with.
std::string SystemText(DWORD error) {
  wchar_t text[512];
  DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), text, 512, nullptr);
  while (length > 0 &&
         (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L' ')) {
    --length;
  }
  text[length] = L'\0';
  return Narrow(text);
}

bool EndsWithNoCase(const std::string& text, const std::string& end) {
  return text.size() >= end.size() &&
         ::CompareStringOrdinal(Wide(text.substr(text.size() - end.size())).c_str(), -1,
                                Wide(end).c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool SameNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && EndsWithNoCase(a, b);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return text;
}

void WriteFileText(const std::string& path, const std::string& content) {
  HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  ::CloseHandle(file);
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveTree(path);
      } else {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
      }
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(folder.c_str());
}

// Made absolute against the current folder and normalised, with "/"; the
// current folder itself for "". The current folder is the test's own.
void CheckAbsolutePaths(const std::string& folder) {
  const std::string current = platform::AbsoluteLocalPath("");
  Check(current.find('\\') == std::string::npos && EndsWithNoCase(current, folder.substr(2)) &&
            Lower(current.substr(0, 2)) == Lower(folder.substr(0, 2)),
        "AbsoluteLocalPath(\"\") is the current folder " + folder + " with \"/\": " + current);
  Check(platform::AbsoluteLocalPath("a/./b/..\\c\\\\d\\") == current + "/a/c/d",
        "a relative path is normalised against the current folder: " +
            platform::AbsoluteLocalPath("a/./b/..\\c\\\\d\\"));
  Check(platform::AbsoluteLocalPath("..") + "/" + current.substr(current.rfind('/') + 1) == current,
        "\"..\" is the parent of the current folder");
  Check(platform::AbsoluteLocalPath("C:\\x\\..\\y\\\\z\\") == "C:/y/z",
        "an absolute path is normalised: " + platform::AbsoluteLocalPath("C:\\x\\..\\y\\\\z\\"));
  Check(
      platform::AbsoluteLocalPath("C:\\") == "C:/" && platform::AbsoluteLocalPath("C:/..") == "C:/",
      "a drive's root keeps its \"/\": " + platform::AbsoluteLocalPath("C:\\"));
}

// PATH and PATHEXT as the command interpreter uses them, and the path found
// starts the program.
void CheckProgramFiles(const std::string& folder) {
  std::string reason;
  const std::string cmd = platform::FindProgramFile("cmd", &reason);
  Check(EndsWithNoCase(cmd, "/cmd.exe") && cmd.find('\\') == std::string::npos && reason.empty(),
        "cmd is found in PATH as cmd.exe: " + cmd + " (" + reason + ")");

  const std::string tools = folder + "/tools";
  ::CreateDirectoryW(Wide(tools).c_str(), nullptr);
  ::CreateDirectoryW(Wide(tools + "/merge.exe").c_str(), nullptr);
  WriteFileText(tools + "/merge", "not a program");
  WriteFileText(tools + "/merge.cmd", "@exit 0\r\n");
  WriteFileText(tools + "/notes.txt", "not a program");
  wchar_t saved[32767];
  const DWORD saved_length = ::GetEnvironmentVariableW(L"PATH", saved, 32767);
  wchar_t self[MAX_PATH];
  const DWORD self_length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::string self_folder = Narrow(std::wstring(self, self_length).c_str());
  self_folder.erase(self_folder.find_last_of('\\'));
  ::SetEnvironmentVariableW(L"PATH",
                            Wide(folder + "\\missing;;\"" + tools + "\";" + self_folder).c_str());
  const std::string merge = platform::FindProgramFile("merge", &reason);
  Check(SameNoCase(merge, tools + "/merge.cmd") && reason.empty(),
        "PATHEXT picks merge.cmd over the file without extension and the folder merge.exe: " +
            merge + " (" + reason + ")");
  // This program by its name, started by the path found ("/" and all).
  const std::string test = platform::FindProgramFile("console_test", &reason);
  int status = -1;
  const int error = platform::RunProgramAndWait(test, {"--child", "exit"}, &status);
  Check(test.find('\\') == std::string::npos && error == 0 && status == 3,
        "the program found starts by its path " + test + ": error " + std::to_string(error) +
            ", status " + std::to_string(status));
  Check(platform::FindProgramFile("no-such-program", &reason).empty() &&
            reason == "it is in no folder of PATH",
        "a program in no folder of PATH: " + reason);
  Check(platform::FindProgramFile("notes.txt", &reason).empty(),
        "a file whose extension is not in PATHEXT is no program");
  ::SetEnvironmentVariableW(L"PATH", saved_length > 0 ? saved : nullptr);

  Check(platform::FindProgramFile(tools + "/merge.exe", &reason).empty() &&
            reason == "it is a folder",
        "a path to a folder: " + reason);
  Check(platform::FindProgramFile(tools + "\\absent.exe", &reason).empty() &&
            reason == SystemText(ERROR_FILE_NOT_FOUND),
        "a path to nothing gives the system's text: " + reason);
  Check(SameNoCase(platform::FindProgramFile("tools\\merge", &reason), tools + "/merge.cmd"),
        "a relative path with PATHEXT is made absolute: " + reason);
}

// Restricts the file's DACL to `entries` (nothing inherited).
bool SetFileAccess(const std::string& path, std::vector<EXPLICIT_ACCESS_W> entries) {
  PACL acl = nullptr;
  if (::SetEntriesInAclW(static_cast<ULONG>(entries.size()), entries.data(), nullptr, &acl) !=
      ERROR_SUCCESS) {
    return false;
  }
  std::wstring wide = Wide(path);
  const DWORD set = ::SetNamedSecurityInfoW(
      wide.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
      nullptr, nullptr, acl, nullptr);
  ::LocalFree(acl);
  return set == ERROR_SUCCESS;
}

EXPLICIT_ACCESS_W Allow(PSID sid, DWORD rights) {
  EXPLICIT_ACCESS_W entry{};
  entry.grfAccessPermissions = rights;
  entry.grfAccessMode = SET_ACCESS;
  entry.grfInheritance = NO_INHERITANCE;
  entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  entry.Trustee.TrusteeType = TRUSTEE_IS_UNKNOWN;
  entry.Trustee.ptstrName = static_cast<LPWSTR>(sid);
  return entry;
}

// The number of entries of the file's DACL that allow something to `sid`
// (to anyone for null).
int AllowedCount(const std::string& path, PSID sid) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::wstring wide = Wide(path);
  if (::GetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return -1;
  }
  int count = 0;
  for (DWORD index = 0; dacl != nullptr && index < dacl->AceCount; ++index) {
    void* entry = nullptr;
    if (!::GetAce(dacl, index, &entry)) continue;
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
    if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    if (sid == nullptr || ::EqualSid(const_cast<DWORD*>(&allowed->SidStart), sid)) ++count;
  }
  ::LocalFree(descriptor);
  return count;
}

// Files read whole with the reasons of a failure, and the owner-only rule.
void CheckFileProbes(const std::string& folder) {
  const std::string file = folder + "/settings.ini";
  WriteFileText(file, "user=ann\r\n");
  std::string content, reason;
  Check(platform::ReadSmallFile(file, 100, &content, &reason) && content == "user=ann\r\n",
        "a small file is read whole: " + reason);
  Check(
      !platform::ReadSmallFile(file, 9, &content, &reason) && reason == "it is larger than 9 bytes",
      "a file over the limit: " + reason);
  Check(!platform::ReadSmallFile(folder, 100, &content, &reason) && reason == "it is a folder" &&
            platform::UnreadableFileReason(folder) == "it is a folder" &&
            platform::IsLocalFolder(folder) && !platform::IsLocalFolder(file),
        "a folder: " + reason);
  Check(platform::UnreadableFileReason("NUL") == "it is not a plain file",
        "a device: " + platform::UnreadableFileReason("NUL"));
  Check(platform::UnreadableFileReason(folder + "/absent/x") == SystemText(ERROR_FILE_NOT_FOUND) &&
            platform::UnreadableFileReason(folder + "/absent") == SystemText(ERROR_FILE_NOT_FOUND),
        "a missing file (and folder) gives the system's text: " +
            platform::UnreadableFileReason(folder + "/absent/x"));
  Check(platform::UnreadableFileReason(file).empty(), "a readable file has no reason");

  platform::SettingsFileRead read;
  Check(
      platform::ReadSettingsFile(folder + "/absent/qorv.ini", 100, &read, &reason) && !read.exists,
      "a settings file that is not there (nor its folder)");
  Check(!platform::ReadSettingsFile(folder, 100, &read, &reason) && read.exists &&
            reason == "it is a folder",
        "a settings file that is a folder: " + reason);

  // The owner-only rule, with DACLs set explicitly: the default one depends
  // on the folder the file inherits from.
  HANDLE token = nullptr;
  ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
  BYTE user_buffer[256];
  DWORD size = sizeof user_buffer;
  ::GetTokenInformation(token, TokenUser, user_buffer, size, &size);
  ::CloseHandle(token);
  PSID user = reinterpret_cast<TOKEN_USER*>(user_buffer)->User.Sid;
  BYTE everyone[SECURITY_MAX_SID_SIZE], users[SECURITY_MAX_SID_SIZE], system[SECURITY_MAX_SID_SIZE];
  DWORD everyone_size = sizeof everyone, users_size = sizeof users, system_size = sizeof system;
  ::CreateWellKnownSid(WinWorldSid, nullptr, everyone, &everyone_size);
  ::CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users, &users_size);
  ::CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &system_size);

  // Wine makes a file's DACL up from its Unix mode bits (Everyone for the
  // bits of others) and does not keep one set: the checks of a DACL set here
  // need a system that keeps it.
  const bool owner_set =
      SetFileAccess(file, {Allow(user, GENERIC_ALL), Allow(system, GENERIC_ALL)});
  if (owner_set && AllowedCount(file, everyone) == 0 && AllowedCount(file, nullptr) == 2) {
    Check(platform::ReadSettingsFile(file, 100, &read, &reason) && read.exists && read.owner_only &&
              read.content == "user=ann\r\n",
          "a file only its user and the system may use is owner-only: " + reason);
    Check(SetFileAccess(file, {Allow(user, GENERIC_ALL), Allow(everyone, GENERIC_READ)}) &&
              platform::ReadSettingsFile(file, 100, &read, &reason) && read.exists &&
              !read.owner_only,
          "a file Everyone may read is not owner-only: " + reason);
    Check(SetFileAccess(file, {Allow(user, GENERIC_ALL), Allow(users, FILE_READ_ATTRIBUTES)}) &&
              platform::ReadSettingsFile(file, 100, &read, &reason) && !read.owner_only,
          "a file Users get any right to is not owner-only: " + reason);
  } else {
    std::printf("skipped: the DACL set is not kept here (owner-only files)\n");
  }
  if (AllowedCount(file, everyone) > 0) {
    Check(platform::ReadSettingsFile(file, 100, &read, &reason) && read.exists &&
              !read.owner_only && read.content == "user=ann\r\n",
          "a file whose DACL lets Everyone in is not owner-only: " + reason);
  }
  SetFileAccess(file, {Allow(user, GENERIC_ALL)});
  Check(!platform::ReadSettingsFile(file, 4, &read, &reason) && read.exists &&
            reason == "it is larger than 4 bytes",
        "a settings file over the limit: " + reason);
}

// A refused connection gives the system's text, a listening port none.
void CheckUnreachable() {
  WSADATA data;
  ::WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof local;
  const bool listening = ::bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
                         ::listen(listener, 4) == 0 &&
                         ::getsockname(listener, reinterpret_cast<sockaddr*>(&local), &size) == 0;
  const int port = ntohs(local.sin_port);
  const std::string open = platform::UnreachableReason("127.0.0.1", port, 5000);
  Check(listening && open.empty(), "a listening port is reachable: " + open);
  const std::string by_name = platform::UnreachableReason("localhost", port, 5000);
  Check(by_name.empty(), "a listening port is reachable by name: " + by_name);
  ::closesocket(listener);
  const std::string closed = platform::UnreachableReason("127.0.0.1", port, 5000);
  Check(closed == SystemText(WSAECONNREFUSED) && Lower(closed).find("refused") != std::string::npos,
        "a closed port is refused: " + closed);
  const std::string unknown = platform::UnreachableReason("no-such-host.invalid", port, 5000);
  Check(!unknown.empty() && unknown != closed, "a name that does not resolve: " + unknown);
  ::WSACleanup();
}

// Standard input replaced by `input` for the reads of one check.
class InputFrom {
 public:
  explicit InputFrom(HANDLE input) : saved_(::GetStdHandle(STD_INPUT_HANDLE)) {
    ::SetStdHandle(STD_INPUT_HANDLE, input);
  }
  ~InputFrom() { ::SetStdHandle(STD_INPUT_HANDLE, saved_); }
  InputFrom(const InputFrom&) = delete;
  InputFrom& operator=(const InputFrom&) = delete;

 private:
  HANDLE saved_;
};

std::string Describe(platform::LineRead read, const std::string& line) {
  switch (read) {
    case platform::LineRead::kLine:
      return "line \"" + line + "\"";
    case platform::LineRead::kEndOfInput:
      return "end of input";
    case platform::LineRead::kCanceled:
      return "canceled";
  }
  return "?";
}

// Lines from a pipe and a file: CR LF, a partial last line, the end, input
// that arrives later, and the cancel flag while nothing arrives.
void CheckInputLines(const std::string& folder) {
  std::string line;
  {
    HANDLE read_end = nullptr, write_end = nullptr;
    ::CreatePipe(&read_end, &write_end, nullptr, 0);
    DWORD written = 0;
    ::WriteFile(write_end, "one\r\ntwo\n\nthr\r", 14, &written, nullptr);
    ::CloseHandle(write_end);
    InputFrom input(read_end);
    int prompts = 0;
    std::string got;
    for (int i = 0; i < 5; ++i) {
      got += Describe(platform::ReadInputLine(&line, false, nullptr, [&prompts] { ++prompts; }),
                      line) +
             "; ";
    }
    Check(got == "line \"one\"; line \"two\"; line \"\"; line \"thr\r\"; end of input; " &&
              prompts == 5,
          "lines from a pipe (prompts " + std::to_string(prompts) + "): " + got);
    ::CloseHandle(read_end);
  }
  {
    HANDLE read_end = nullptr, write_end = nullptr;
    ::CreatePipe(&read_end, &write_end, nullptr, 0);
    InputFrom input(read_end);
    std::atomic<bool> cancel{false};
    std::thread writer([write_end] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      DWORD written = 0;
      ::WriteFile(write_end, "late\nrest", 9, &written, nullptr);
    });
    platform::LineRead read = platform::ReadInputLine(&line, true, &cancel);
    writer.join();
    Check(read == platform::LineRead::kLine && line == "late",
          "a line that arrives later in the pipe: " + Describe(read, line));
    // "rest" has no line end yet: the read waits for more until the flag.
    const auto start = std::chrono::steady_clock::now();
    std::thread canceler([&cancel] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      cancel.store(true);
    });
    read = platform::ReadInputLine(&line, true, &cancel);
    canceler.join();
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
    Check(read == platform::LineRead::kCanceled && waited >= 250 && waited < 1000,
          "the flag set while nothing arrives cancels the read after " + std::to_string(waited) +
              " ms: " + Describe(read, line));
    ::CloseHandle(write_end);
    ::CloseHandle(read_end);
  }
  {
    const std::string path = folder + "/answers.txt";
    WriteFileText(path, "yes\r\nno");
    HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    InputFrom input(file);
    std::string got;
    for (int i = 0; i < 3; ++i)
      got += Describe(platform::ReadInputLine(&line, false, nullptr), line) + "; ";
    Check(got == "line \"yes\"; line \"no\"; end of input; ", "lines from a file: " + got);
    ::CloseHandle(file);
  }
}

// The console's own line input, typed by writing key events into its input:
// the echo is off while the prompt shows and afterwards restored, the line
// comes in UTF-16 and goes out in UTF-8, and the flag ends a wait with no key.
void CheckConsoleInput() {
  if (!platform::IsTerminal(platform::StandardStream::kInput)) {
    std::printf("skipped: standard input is not a console here\n");
    return;
  }
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD before = 0, during = 0, after = 0;
  ::GetConsoleMode(input, &before);
  ::FlushConsoleInputBuffer(input);
  std::vector<INPUT_RECORD> keys;
  for (wchar_t c : std::wstring(L"s3cr\u00e9t\r")) {
    INPUT_RECORD key{};
    key.EventType = KEY_EVENT;
    key.Event.KeyEvent.wRepeatCount = 1;
    key.Event.KeyEvent.wVirtualKeyCode = c == L'\r' ? VK_RETURN : 0;
    key.Event.KeyEvent.uChar.UnicodeChar = c;
    key.Event.KeyEvent.bKeyDown = TRUE;
    keys.push_back(key);
    key.Event.KeyEvent.bKeyDown = FALSE;
    keys.push_back(key);
  }
  DWORD written = 0;
  ::WriteConsoleInputW(input, keys.data(), static_cast<DWORD>(keys.size()), &written);
  std::string line;
  std::atomic<bool> cancel{false};
  platform::LineRead read =
      platform::ReadInputLine(&line, false, &cancel, [&] { ::GetConsoleMode(input, &during); });
  ::GetConsoleMode(input, &after);
  Check(read == platform::LineRead::kLine && line == "s3cr\xc3\xa9t",
        "a line typed at the console: " + Describe(read, line));
  Check((before & ENABLE_ECHO_INPUT) != 0 && (during & ENABLE_ECHO_INPUT) == 0 && after == before,
        "the echo is off while the prompt shows and the mode restored after");
  std::thread canceler([&cancel] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cancel.store(true);
  });
  read = platform::ReadInputLine(&line, false, &cancel);
  canceler.join();
  ::GetConsoleMode(input, &after);
  Check(read == platform::LineRead::kCanceled && after == before,
        "the flag ends a wait at the console with the mode restored: " + Describe(read, line));
}

// What the standard output stream hands to a pipe, and the system's text
// once the pipe's reader has gone; everything after that is dropped.
void CheckOutputFailure() {
  HANDLE read_end = nullptr, write_end = nullptr;
  ::CreatePipe(&read_end, &write_end, nullptr, 1 << 16);
  const HANDLE saved_output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE saved_error = ::GetStdHandle(STD_ERROR_HANDLE);
  ::SetStdHandle(STD_OUTPUT_HANDLE, write_end);
  ::SetStdHandle(STD_ERROR_HANDLE, write_end);
  {
    platform::DescriptorOutputBuffer output(1), error(2);
    std::ostream out(&output), err(&error);
    out << "first " << 1 << std::flush;
    err << "/second" << std::flush;
    char got[32] = {};
    DWORD count = 0;
    ::ReadFile(read_end, got, sizeof got - 1, &count, nullptr);
    Check(std::string(got, count) == "first 1/second" && out.good() && err.good() &&
              output.failure().empty() && error.failure().empty(),
          "descriptors 1 and 2 write to the standard handles: \"" + std::string(got, count) + "\"");
    ::CloseHandle(read_end);
    out << "lost" << std::flush;
    const std::string failure = output.failure();
    Check(!out.good() && !failure.empty() &&
              (failure == SystemText(ERROR_NO_DATA) || failure == SystemText(ERROR_BROKEN_PIPE)),
          "a pipe without its reader fails with the system's text: " + failure);
    out.clear();
    out << std::string(5000, 'x') << std::flush;
    Check(!out.good() && output.failure() == failure, "after a failure the stream stays failed");
  }
  ::SetStdHandle(STD_OUTPUT_HANDLE, saved_output);
  ::SetStdHandle(STD_ERROR_HANDLE, saved_error);
  ::CloseHandle(write_end);
}

// Child modes: the console events of Ctrl-C sent to this process's console.
// Exit codes the parent reads: 70 when the event never arrived (the console
// has none to give), 71 when the program was not ended as it should be.
constexpr int kNoEvent = 70;
constexpr int kNotEnded = 71;

bool WaitFor(const std::function<bool()>& condition, int limit_ms) {
  for (int waited = 0; waited < limit_ms; waited += 10) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

// `mode` "twice": a second Ctrl-C ends the program; "grace": a first one left
// unanswered ends it after the grace time. Either way the final action
// writes `marker` first.
int InterruptChild(const std::string& mode, const std::string& marker) {
  // Started with Ctrl-C ignored by its parent's process group: take it again.
  ::SetConsoleCtrlHandler(nullptr, FALSE);
  platform::InterruptWatch watch;
  watch.AddFinalAction([marker] { WriteFileText(marker, "removed"); });
  const int gone = watch.AddFinalAction([marker] { WriteFileText(marker, "wrong action"); });
  watch.RemoveFinalAction(gone);
  if (!::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) return kNoEvent;
  if (!WaitFor([&watch] { return watch.requested(); }, 2000)) return kNoEvent;
  if (watch.signal_number() != 2) return kNotEnded;
  if (mode == "twice") {
    // Past the window in which a repeat counts as the same request.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(6000));
  return kNotEnded;
}

int TerminationChild() {
  platform::BlockTerminationSignals();
  if (!::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) return kNoEvent;
  std::atomic<int> signal_number{0};
  std::thread waiter([&signal_number] { signal_number = platform::WaitForTerminationSignal(); });
  waiter.detach();
  if (!WaitFor([&signal_number] { return signal_number.load() != 0; }, 2000)) return kNoEvent;
  // Still running after the handler said it handled the request.
  return signal_number.load() == 2 ? 0 : kNotEnded;
}

BOOL WINAPI SwallowConsoleEvent(DWORD) { return TRUE; }

// Runs this program with `arguments`; its exit code, or -1.
int RunSelf(const std::vector<std::string>& arguments) {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  int status = -1;
  if (platform::RunProgramAndWait(Narrow(self), arguments, &status) != 0) return -1;
  return status;
}

// Ctrl-C as the console delivers it, in child processes sharing this
// process's console (this one swallows the events meanwhile). Wine delivers
// console events only when the program runs on a terminal (scripts/
// windows-test runs it under `script`); elsewhere this says so and counts
// nothing.
void CheckConsoleEvents(const std::string& folder) {
  ::SetConsoleCtrlHandler(&SwallowConsoleEvent, TRUE);
  const int server = RunSelf({"--child", "termination"});
  if (server == kNoEvent) {
    std::printf("skipped: the console delivers no Ctrl-C here (not on a terminal)\n");
    ::SetConsoleCtrlHandler(&SwallowConsoleEvent, FALSE);
    return;
  }
  Check(server == 0, "the server's wait returns 2 for Ctrl-C and the process lives on: " +
                         std::to_string(server));
  const std::string marker = folder + "/final.txt";
  const int twice = RunSelf({"--child", "twice", marker});
  std::string content, reason;
  Check(twice == 130 && platform::ReadSmallFile(marker, 100, &content, &reason) &&
            content == "removed",
        "a second Ctrl-C runs the final action and ends with 130: " + std::to_string(twice) + " " +
            content + reason);
  ::DeleteFileW(Wide(marker).c_str());
  const auto start = std::chrono::steady_clock::now();
  const int grace = RunSelf({"--child", "grace", marker});
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
  Check(grace == 130 && took >= 3000 && took < 6000 &&
            platform::ReadSmallFile(marker, 100, &content, &reason) && content == "removed",
        "an unanswered Ctrl-C ends the program after the grace time: " + std::to_string(grace) +
            " after " + std::to_string(took) + " ms");
  ::SetConsoleCtrlHandler(&SwallowConsoleEvent, FALSE);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "--child") {
    const std::string mode = argv[2];
    if (mode == "termination") return TerminationChild();
    if (mode == "exit") return 3;
    return InterruptChild(mode, argc >= 4 ? argv[3] : "");
  }
  wchar_t temporary[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temporary);
  const std::wstring folder =
      std::wstring(temporary) + L"qorv-console-" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(folder.c_str(), nullptr);
  wchar_t saved_current[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, saved_current);
  ::SetCurrentDirectoryW(folder.c_str());
  std::string forward = Narrow(folder.c_str());
  for (char& c : forward) c = c == '\\' ? '/' : c;

  CheckAbsolutePaths(forward);
  CheckProgramFiles(platform::AbsoluteLocalPath(""));
  CheckFileProbes(platform::AbsoluteLocalPath(""));
  CheckUnreachable();
  CheckInputLines(platform::AbsoluteLocalPath(""));
  CheckConsoleInput();
  CheckOutputFailure();
  CheckConsoleEvents(platform::AbsoluteLocalPath(""));

  ::SetCurrentDirectoryW(saved_current);
  RemoveTree(folder);
  const bool removed = ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
  Check(removed, "the test's folder is removed");
  return qorv_windows_test::Summary() ? 0 : 1;
}
