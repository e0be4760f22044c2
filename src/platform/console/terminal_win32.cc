#include <optional>

#include "platform/com/win32_api.h"
#include "platform/console/terminal.h"

namespace qorv::platform {
namespace {

// How often a read waiting for input looks at the cancel flag.
constexpr DWORD kCancelPollMs = 100;
// A pipe cannot be waited on, only looked into: this often, so that an answer
// written into it is taken without a noticeable delay.
constexpr DWORD kPipePollMs = 10;

HANDLE HandleOf(StandardStream stream) {
  switch (stream) {
    case StandardStream::kInput:
      return ::GetStdHandle(STD_INPUT_HANDLE);
    case StandardStream::kOutput:
      return ::GetStdHandle(STD_OUTPUT_HANDLE);
    case StandardStream::kError:
      return ::GetStdHandle(STD_ERROR_HANDLE);
  }
  return nullptr;
}

// A console, not merely a character device: GetFileType says FILE_TYPE_CHAR
// for NUL too, which is no more a terminal than /dev/null is.
bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

bool Canceled(const std::atomic<bool>* cancel) { return cancel != nullptr && cancel->load(); }

// Turns the console's echo off for its lifetime and restores the mode it
// found, whatever way the read ends.
class EchoOff {
 public:
  explicit EchoOff(HANDLE input) : input_(input) {
    if (!::GetConsoleMode(input_, &saved_)) return;
    active_ = ::SetConsoleMode(input_, saved_ & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  }
  ~EchoOff() {
    if (active_) ::SetConsoleMode(input_, saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  HANDLE input_;
  DWORD saved_ = 0;
  bool active_ = false;
};

// The line end the console did not show with the echo off, so that the next
// output starts on its own line (what ECHONL does on a POSIX terminal).
void ShowLineEnd() {
  HANDLE screen =
      ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (screen == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteConsoleW(screen, L"\r\n", 2, &written, nullptr);
  ::CloseHandle(screen);
}

// True when the console's input holds a key press that types something.
// Other events (a key let go, a key without a character such as Shift or an
// arrow, the mouse, focus) are taken away: they would keep the input handle
// signalled, and a read would wait for a line nobody has started typing.
bool TypingWaiting(HANDLE input) {
  INPUT_RECORD record;
  DWORD count = 0;
  while (::PeekConsoleInputW(input, &record, 1, &count) && count == 1) {
    if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
        record.Event.KeyEvent.uChar.UnicodeChar != 0) {
      return true;
    }
    ::ReadConsoleInputW(input, &record, 1, &count);
  }
  return false;
}

// A line typed at the console. The console edits the line itself and hands
// it over once Enter is pressed, in UTF-16 whatever its code page, and never
// more than that line (a line longer than the buffer comes in pieces, which
// need no wait). Ctrl-C while typing ends the read with nothing: the loop
// then looks at the flag again.
LineRead ReadConsoleLine(HANDLE input, std::string* line, const std::atomic<bool>* cancel) {
  std::wstring typed;
  for (;;) {
    if (Canceled(cancel)) return LineRead::kCanceled;
    if (typed.empty()) {
      const DWORD waited = ::WaitForSingleObject(input, kCancelPollMs);
      if (waited == WAIT_TIMEOUT) continue;
      if (waited != WAIT_OBJECT_0) return LineRead::kEndOfInput;
      if (!TypingWaiting(input)) continue;
    }
    wchar_t buffer[256];
    DWORD got = 0;
    if (!::ReadConsoleW(input, buffer, 256, &got, nullptr)) {
      if (::GetLastError() == ERROR_OPERATION_ABORTED) continue;
      return LineRead::kEndOfInput;
    }
    if (got == 0) continue;
    // Ctrl-Z at the start of a line is the console's end of input, as
    // Ctrl-D is a terminal's.
    if (typed.empty() && buffer[0] == 0x1a) return LineRead::kEndOfInput;
    typed.append(buffer, got);
    if (typed.back() == L'\n') {
      typed.pop_back();
      if (!typed.empty() && typed.back() == L'\r') typed.pop_back();
      *line = Utf8Text(typed);
      return LineRead::kLine;
    }
  }
}

// Whether a byte can be read from the pipe without blocking: 1 yes, 0 not
// yet, -1 never (the writing end is closed and everything was read).
int PipeReady(HANDLE input) {
  DWORD available = 0;
  if (!::PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) return -1;
  return available > 0 ? 1 : 0;
}

// A line from a pipe or a file, one byte at a time so that nothing after the
// line end is consumed that later reads (or a child program) still need.
LineRead ReadByteLine(HANDLE input, std::string* line, const std::atomic<bool>* cancel) {
  const bool pipe = ::GetFileType(input) == FILE_TYPE_PIPE;
  DWORD waited_ms = kCancelPollMs;
  for (;;) {
    if (pipe) {
      // The flag is looked at every kCancelPollMs while the pipe is empty.
      const int ready = PipeReady(input);
      if (ready == 0) {
        if (waited_ms >= kCancelPollMs) {
          if (Canceled(cancel)) return LineRead::kCanceled;
          waited_ms = 0;
        }
        ::Sleep(kPipePollMs);
        waited_ms += kPipePollMs;
        continue;
      }
      if (ready < 0) return line->empty() ? LineRead::kEndOfInput : LineRead::kLine;
    }
    if (Canceled(cancel)) return LineRead::kCanceled;
    char byte = 0;
    DWORD got = 0;
    if (!::ReadFile(input, &byte, 1, &got, nullptr) || got == 0) {
      return line->empty() ? LineRead::kEndOfInput : LineRead::kLine;
    }
    if (byte == '\n') {
      if (!line->empty() && line->back() == '\r') line->pop_back();
      return LineRead::kLine;
    }
    line->push_back(byte);
  }
}

}  // namespace

bool IsTerminal(StandardStream stream) { return IsConsole(HandleOf(stream)); }

int TerminalColumns(StandardStream stream, int fallback) {
  // The width of the window, not of the (often wider) screen buffer. The
  // console's input handle has no size: that gives the fallback.
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(HandleOf(stream), &info)) return fallback;
  const int columns = info.srWindow.Right - info.srWindow.Left + 1;
  return columns > 0 ? columns : fallback;
}

LineRead ReadInputLine(std::string* line, bool echo, const std::atomic<bool>* cancel,
                       const std::function<void()>& show_prompt) {
  line->clear();
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  const bool console = IsConsole(input);
  std::optional<EchoOff> echo_off;
  if (!echo && console) echo_off.emplace(input);
  if (show_prompt) show_prompt();
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return LineRead::kEndOfInput;
  if (!console) return ReadByteLine(input, line, cancel);
  const LineRead read = ReadConsoleLine(input, line, cancel);
  if (echo_off && read == LineRead::kLine) ShowLineEnd();
  return read;
}

}  // namespace qorv::platform
