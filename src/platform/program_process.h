// Another program started as a child process, with its standard output
// read through a pipe.
//
// Used to run a program of this project as its users do (a server started
// from a script, `--help` read back) rather than in-process.
#ifndef QORV_PLATFORM_PROGRAM_PROCESS_H_
#define QORV_PLATFORM_PROGRAM_PROCESS_H_

#include <cstdint>
#include <string>
#include <vector>

namespace qorv::platform {

class ProgramProcess {
 public:
  ProgramProcess() = default;
  // A program still running is killed and reaped; the pipe is closed.
  ~ProgramProcess();
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  // Starts the program at `path` with `arguments` (argv[1] onwards) and the
  // environment of this process. Its standard output goes into a pipe read
  // by ReadLine/ReadToEnd; standard input and error are this process's.
  // Returns 0 or the error number.
  int Start(const std::string& path, const std::vector<std::string>& arguments);

  // One line of the program's standard output, without its line end.
  // Waits at most `timeout_ms`; false on time-out, at the end of the output
  // or on a failure.
  bool ReadLine(std::string* line, int timeout_ms);

  // The rest of the standard output, until the program closes it. False
  // when `timeout_ms` passes first or reading fails.
  bool ReadToEnd(std::string* text, int timeout_ms);

  // Asks the program to end, as Ctrl+C or a service manager would (SIGTERM).
  bool RequestTermination();

  // Waits at most `timeout_ms` for the program to end. True when it ended:
  // *exit_code is its exit code, or -1 when a signal ended it.
  bool WaitForExit(int timeout_ms, int* exit_code);

  bool running() const { return id_ > 0; }

 private:
  // Reads what is available into buffer_ within the time left; false at the
  // end of the output, on time-out or failure.
  bool Fill(int timeout_ms);

  int64_t id_ = -1;
  int output_ = -1;
  bool output_ended_ = false;
  std::string buffer_;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_PROGRAM_PROCESS_H_
