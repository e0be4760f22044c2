// The standard streams of a command-line program seen as a terminal: whether
// one is a terminal, how wide it is, and reading a line from standard input
// (with the echo off for a password) while watching a cancel flag.
#ifndef QORV_PLATFORM_CONSOLE_TERMINAL_H_
#define QORV_PLATFORM_CONSOLE_TERMINAL_H_

#include <atomic>
#include <functional>
#include <string>

namespace qorv::platform {

enum class StandardStream { kInput, kOutput, kError };

bool IsTerminal(StandardStream stream);

// The number of columns of the terminal behind `stream`; `fallback` when it
// is not a terminal or does not say.
int TerminalColumns(StandardStream stream, int fallback);

enum class LineRead { kLine, kEndOfInput, kCanceled };

// Reads one line from standard input into *line (without its line end; a CR
// before the LF is dropped). With `echo` false and standard input a
// terminal, the typed characters are not shown, and the terminal's settings
// are restored before returning on every path. `show_prompt` (when given)
// runs once the echo is off and before reading, so that nothing typed after
// the prompt appears is shown or discarded by the switch. Checks `cancel`
// (when not null) every 100 ms while no input arrives: kCanceled when it is
// set. At the end of input with a partial line, that line is returned as
// kLine first.
LineRead ReadInputLine(std::string* line, bool echo, const std::atomic<bool>* cancel,
                       const std::function<void()>& show_prompt = nullptr);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_CONSOLE_TERMINAL_H_
