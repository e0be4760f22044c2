#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "platform/program_launch.h"

extern char** environ;

namespace qorv::platform {
namespace {

// Spawn attributes that give the program a clean signal state: the programs
// of this project block SIGINT and SIGTERM in every thread (a watcher thread
// takes them), and a started program would otherwise inherit that mask and
// could not be interrupted.
class CleanSignalAttributes {
 public:
  CleanSignalAttributes() {
    posix_spawnattr_init(&attributes_);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes_, &none);
    posix_spawnattr_setsigdefault(&attributes_, &defaults);
    posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~CleanSignalAttributes() { posix_spawnattr_destroy(&attributes_); }
  CleanSignalAttributes(const CleanSignalAttributes&) = delete;
  CleanSignalAttributes& operator=(const CleanSignalAttributes&) = delete;

  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

}  // namespace

int RunProgramAndWait(const std::string& path, const std::vector<std::string>& arguments,
                      int* exit_status) {
  std::vector<std::string> texts = {path};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(texts.size() + 1);
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  const CleanSignalAttributes attributes;
  pid_t child = -1;
  // posix_spawn, not posix_spawnp: the path is the program itself and is
  // never looked up. glibc reports a failed exec as the spawn's own error.
  const int started =
      posix_spawn(&child, path.c_str(), nullptr, attributes.get(), argv.data(), environ);
  if (started != 0) return started;

  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(child, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited < 0) return errno;
  if (WIFEXITED(status)) {
    *exit_status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    *exit_status = 128 + WTERMSIG(status);
  } else {
    *exit_status = 128;
  }
  return 0;
}

}  // namespace qorv::platform
