#include <errno.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/child_process.h"

namespace qorv::platform {

int64_t StartChildProcess(const std::function<int()>& body) {
  pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    int code = 125;
    try {
      code = body();
    } catch (...) {
      code = 125;
    }
    // _exit: the child must not run the parent's exit handlers or flush its
    // buffers a second time.
    ::_exit(code & 0xFF);
  }
  return child;
}

int WaitForChildProcess(int64_t child) {
  if (child <= 0) return -1;
  int status = 0;
  pid_t waited;
  do {
    waited = ::waitpid(static_cast<pid_t>(child), &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited < 0 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

int RunInChildProcess(const std::function<int()>& body) {
  return WaitForChildProcess(StartChildProcess(body));
}

}  // namespace qorv::platform
