#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>

#include "platform/captured_program.h"

extern char** environ;

namespace qorv::platform {
namespace {

using Clock = std::chrono::steady_clock;

// Standard input given to a child fits a pipe's default buffer.
constexpr size_t kMaxInput = 64 * 1024;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// This process's environment with the changes applied, as "NAME=value".
std::vector<std::string> ChildEnvironment(const EnvironmentChanges& changes) {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const char* equals = std::strchr(*entry, '=');
    if (equals == nullptr) continue;
    variables[std::string(*entry, static_cast<size_t>(equals - *entry))] = equals + 1;
  }
  for (const auto& [name, value] : changes) {
    if (value) {
      variables[name] = *value;
    } else {
      variables.erase(name);
    }
  }
  std::vector<std::string> entries;
  for (const auto& [name, value] : variables) entries.push_back(name + "=" + value);
  return entries;
}

void CloseIfOpen(int* descriptor) {
  if (*descriptor >= 0) close(*descriptor);
  *descriptor = -1;
}

}  // namespace

CapturedProgram::~CapturedProgram() {
  if (id_ > 0) {
    kill(static_cast<pid_t>(id_), SIGKILL);
    int status = 0;
    while (waitpid(static_cast<pid_t>(id_), &status, 0) < 0 && errno == EINTR) {
    }
  }
  CloseStreams();
}

int CapturedProgram::Spawn(const std::string& path, const std::vector<std::string>& arguments,
                           const EnvironmentChanges& environment, int input_descriptor,
                           int error_descriptor) {
  int out_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0) return errno;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input_descriptor, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, error_descriptor, STDERR_FILENO);
  // The child starts with the default signal handling and nothing blocked,
  // whatever the test process does with its own signals.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> argument_texts = {path};
  argument_texts.insert(argument_texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : argument_texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment_texts = ChildEnvironment(environment);
  std::vector<char*> envp;
  for (std::string& text : environment_texts) envp.push_back(text.data());
  envp.push_back(nullptr);

  pid_t child = -1;
  const int result =
      posix_spawn(&child, path.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(out_pipe[1]);
  if (result != 0) {
    close(out_pipe[0]);
    return result;
  }
  id_ = child;
  out_pipe_ = out_pipe[0];
  return 0;
}

int CapturedProgram::Start(const std::string& path, const std::vector<std::string>& arguments,
                           const EnvironmentChanges& environment, const std::string& input) {
  // The input goes into the pipe before the child starts, while this side
  // holds both ends: a child that ends without reading it cannot turn the
  // write into a SIGPIPE. It must fit the pipe's buffer for that.
  if (input.size() > kMaxInput) return E2BIG;
  int in_pipe[2], err_pipe[2];
  if (pipe2(in_pipe, O_CLOEXEC) != 0) return errno;
  if (pipe2(err_pipe, O_CLOEXEC) != 0) {
    const int error = errno;
    close(in_pipe[0]);
    close(in_pipe[1]);
    return error;
  }
  size_t written = 0;
  while (written < input.size()) {
    const ssize_t count = write(in_pipe[1], input.data() + written, input.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    written += static_cast<size_t>(count);
  }
  close(in_pipe[1]);
  const int result = Spawn(path, arguments, environment, in_pipe[0], err_pipe[1]);
  close(in_pipe[0]);
  close(err_pipe[1]);
  if (result != 0) {
    close(err_pipe[0]);
    return result;
  }
  err_pipe_ = err_pipe[0];
  return 0;
}

int CapturedProgram::StartInTerminal(const std::string& path,
                                     const std::vector<std::string>& arguments,
                                     const EnvironmentChanges& environment) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return errno;
  if (grantpt(master) != 0 || unlockpt(master) != 0) {
    const int error = errno;
    close(master);
    return error;
  }
  char name[128];
  if (ptsname_r(master, name, sizeof name) != 0) {
    const int error = errno;
    close(master);
    return error;
  }
  const int terminal = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (terminal < 0) {
    const int error = errno;
    close(master);
    return error;
  }
  const int result = Spawn(path, arguments, environment, terminal, terminal);
  close(terminal);
  if (result != 0) {
    close(master);
    return result;
  }
  err_pipe_ = master;
  terminal_ = true;
  return 0;
}

void CapturedProgram::Type(std::string_view text) {
  if (!terminal_ || err_pipe_ < 0) return;
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t count = write(err_pipe_, text.data() + written, text.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    written += static_cast<size_t>(count);
  }
}

bool CapturedProgram::Collect(int timeout_ms) {
  pollfd streams[2] = {{out_pipe_, POLLIN, 0}, {err_pipe_, POLLIN, 0}};
  if (out_pipe_ < 0 && err_pipe_ < 0) return false;
  const int ready = poll(streams, 2, timeout_ms);
  if (ready <= 0) return true;
  int* descriptors[2] = {&out_pipe_, &err_pipe_};
  std::string* buffers[2] = {&out_, &err_};
  for (int i = 0; i < 2; ++i) {
    if (*descriptors[i] < 0 || streams[i].revents == 0) continue;
    char chunk[4096];
    const ssize_t count = read(*descriptors[i], chunk, sizeof chunk);
    if (count > 0) {
      buffers[i]->append(chunk, static_cast<size_t>(count));
    } else if (count == 0 || errno != EINTR) {
      // A terminal's master side reads EIO once the child has closed its
      // side: the end of that stream.
      CloseIfOpen(descriptors[i]);
    }
  }
  return out_pipe_ >= 0 || err_pipe_ >= 0;
}

bool CapturedProgram::WaitForOutput(std::string_view text, int timeout_ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (out_.find(text) != std::string::npos || err_.find(text) != std::string::npos) return true;
    if (RemainingMs(deadline) == 0 || !Collect(RemainingMs(deadline))) return false;
  }
}

void CapturedProgram::Interrupt() {
  if (id_ > 0) kill(static_cast<pid_t>(id_), SIGINT);
}

void CapturedProgram::Terminate() {
  if (id_ > 0) kill(static_cast<pid_t>(id_), SIGTERM);
}

void CapturedProgram::Kill() {
  if (id_ > 0) kill(static_cast<pid_t>(id_), SIGKILL);
}

bool CapturedProgram::Finish(int timeout_ms, int* exit_code) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (RemainingMs(deadline) > 0 && Collect(RemainingMs(deadline))) {
  }
  if (id_ <= 0) return false;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(static_cast<pid_t>(id_), &status, WNOHANG);
    if (done == static_cast<pid_t>(id_)) break;
    if (done < 0 && errno != EINTR) return false;
    if (RemainingMs(deadline) == 0) {
      kill(static_cast<pid_t>(id_), SIGKILL);
      while (waitpid(static_cast<pid_t>(id_), &status, 0) < 0 && errno == EINTR) {
      }
      id_ = -1;
      CloseStreams();
      return false;
    }
    usleep(10 * 1000);
  }
  id_ = -1;
  CloseStreams();
  *exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

void CapturedProgram::CloseStreams() {
  CloseIfOpen(&out_pipe_);
  CloseIfOpen(&err_pipe_);
}

}  // namespace qorv::platform
