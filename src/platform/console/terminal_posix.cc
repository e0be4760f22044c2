#include <errno.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <optional>

#include "platform/console/terminal.h"

namespace qorv::platform {
namespace {

// How often a read waiting for input looks at the cancel flag.
constexpr int kCancelPollMs = 100;

int DescriptorOf(StandardStream stream) {
  switch (stream) {
    case StandardStream::kInput:
      return STDIN_FILENO;
    case StandardStream::kOutput:
      return STDOUT_FILENO;
    case StandardStream::kError:
      return STDERR_FILENO;
  }
  return -1;
}

// Turns the terminal's echo off for its lifetime and restores the settings
// it found, whatever way the read ends.
class EchoOff {
 public:
  EchoOff() {
    if (tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    // Keep the line end visible so that the next output starts on its own line.
    quiet.c_lflag |= ECHONL;
    active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (active_) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  termios saved_{};
  bool active_ = false;
};

}  // namespace

bool IsTerminal(StandardStream stream) { return isatty(DescriptorOf(stream)) == 1; }

int TerminalColumns(StandardStream stream, int fallback) {
  winsize size{};
  if (ioctl(DescriptorOf(stream), TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return fallback;
  return size.ws_col;
}

LineRead ReadInputLine(std::string* line, bool echo, const std::atomic<bool>* cancel,
                       const std::function<void()>& show_prompt) {
  line->clear();
  std::optional<EchoOff> echo_off;
  if (!echo && isatty(STDIN_FILENO) == 1) echo_off.emplace();
  if (show_prompt) show_prompt();
  // One byte at a time, so that nothing after the line end is consumed from
  // a pipe that later reads (or a child process) still need.
  for (;;) {
    if (cancel != nullptr && cancel->load()) return LineRead::kCanceled;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&input, 1, kCancelPollMs);
    if (ready < 0 && errno != EINTR) return LineRead::kEndOfInput;
    if (ready <= 0) continue;
    char byte = 0;
    const ssize_t got = read(STDIN_FILENO, &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return line->empty() ? LineRead::kEndOfInput : LineRead::kLine;
    if (byte == '\n') {
      if (!line->empty() && line->back() == '\r') line->pop_back();
      return LineRead::kLine;
    }
    line->push_back(byte);
  }
}

}  // namespace qorv::platform
