// Another program run as a child process with its standard input given and
// its standard output and error captured, as a script runs a command-line
// tool. Used by tests that run this project's programs as their users do.
#ifndef QORV_PLATFORM_CAPTURED_PROGRAM_H_
#define QORV_PLATFORM_CAPTURED_PROGRAM_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qorv::platform {

// Environment changes for the child: a value sets the variable, nothing
// removes it; every other variable is inherited.
using EnvironmentChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

class CapturedProgram {
 public:
  CapturedProgram() = default;
  // A program still running is killed and reaped.
  ~CapturedProgram();
  CapturedProgram(const CapturedProgram&) = delete;
  CapturedProgram& operator=(const CapturedProgram&) = delete;

  // Starts `path` with `arguments` (argv[1] onwards). `input` (at most 64 KiB)
  // is its standard input, which then ends. Returns 0 or an error number.
  int Start(const std::string& path, const std::vector<std::string>& arguments,
            const EnvironmentChanges& environment, const std::string& input);

  // Starts the program with a terminal (a pseudo-terminal) as its standard
  // input and standard error, as a user at a terminal runs it; standard
  // output stays a pipe. What it writes to the terminal, and the terminal's
  // echo of what Type() sends, is collected as err().
  int StartInTerminal(const std::string& path, const std::vector<std::string>& arguments,
                      const EnvironmentChanges& environment);

  // Types `text` at the terminal of a program started in one.
  void Type(std::string_view text);

  // Collects output until `text` has appeared on standard output or
  // standard error, or `timeout_ms` passes; true when it appeared.
  bool WaitForOutput(std::string_view text, int timeout_ms);

  // Sends SIGINT, as Ctrl-C in a terminal would.
  void Interrupt();
  // Sends SIGTERM, as a service manager or `kill` would.
  void Terminate();
  // Sends SIGKILL: the program ends at once, as after a crash or a power
  // cut of its own, without running any of its clean-up.
  void Kill();

  // Collects the rest of the output and waits for the end, at most
  // `timeout_ms` (then kills it). True when it ended by itself; *exit_code is
  // then its exit code, or 128 + the signal when a signal ended it.
  bool Finish(int timeout_ms, int* exit_code);

  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }
  // The child's process id; -1 before a start.
  int64_t process_id() const { return id_; }

 private:
  // Reads whatever is available within `timeout_ms`; false when both
  // streams have ended.
  bool Collect(int timeout_ms);
  void CloseStreams();

  // Starts with `input_descriptor` and `error_descriptor` as the child's
  // standard input and error; `err_pipe_` is to be set by the caller.
  int Spawn(const std::string& path, const std::vector<std::string>& arguments,
            const EnvironmentChanges& environment, int input_descriptor, int error_descriptor);

  int64_t id_ = -1;
  int out_pipe_ = -1;
  int err_pipe_ = -1;  // or the terminal's master side
  bool terminal_ = false;
  std::string out_;
  std::string err_;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_CAPTURED_PROGRAM_H_
