#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/program_process.h"

extern char** environ;

namespace qorv::platform {
namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

}  // namespace

ProgramProcess::~ProgramProcess() {
  if (id_ > 0) {
    ::kill(static_cast<pid_t>(id_), SIGKILL);
    int status = 0;
    while (::waitpid(static_cast<pid_t>(id_), &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (output_ >= 0) ::close(output_);
}

int ProgramProcess::Start(const std::string& path, const std::vector<std::string>& arguments) {
  if (id_ > 0) return EBUSY;
  int pipe_ends[2];
  if (::pipe2(pipe_ends, O_CLOEXEC) != 0) return errno;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // dup2 clears close-on-exec on the copy, so only standard output reaches
  // the program.
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = -1;
  const int error = ::posix_spawn(&child, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_ends[1]);
  if (error != 0) {
    ::close(pipe_ends[0]);
    return error;
  }
  id_ = child;
  output_ = pipe_ends[0];
  output_ended_ = false;
  buffer_.clear();
  return 0;
}

bool ProgramProcess::Fill(int timeout_ms) {
  if (output_ < 0 || output_ended_) return false;
  pollfd ready{output_, POLLIN, 0};
  int count;
  do {
    count = ::poll(&ready, 1, timeout_ms);
  } while (count < 0 && errno == EINTR);
  if (count <= 0) return false;
  char piece[4096];
  ssize_t read_count;
  do {
    read_count = ::read(output_, piece, sizeof(piece));
  } while (read_count < 0 && errno == EINTR);
  if (read_count <= 0) {
    output_ended_ = true;
    return false;
  }
  buffer_.append(piece, static_cast<size_t>(read_count));
  return true;
}

bool ProgramProcess::ReadLine(std::string* line, int timeout_ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (true) {
    const size_t end = buffer_.find('\n');
    if (end != std::string::npos) {
      *line = buffer_.substr(0, end);
      if (!line->empty() && line->back() == '\r') line->pop_back();
      buffer_.erase(0, end + 1);
      return true;
    }
    if (!Fill(MillisecondsLeft(deadline))) return false;
  }
}

bool ProgramProcess::ReadToEnd(std::string* text, int timeout_ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!output_ended_) {
    if (!Fill(MillisecondsLeft(deadline)) && !output_ended_) return false;
  }
  *text = std::move(buffer_);
  buffer_.clear();
  return true;
}

bool ProgramProcess::RequestTermination() {
  return id_ > 0 && ::kill(static_cast<pid_t>(id_), SIGTERM) == 0;
}

bool ProgramProcess::WaitForExit(int timeout_ms, int* exit_code) {
  if (id_ <= 0) return false;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (true) {
    int status = 0;
    const pid_t waited = ::waitpid(static_cast<pid_t>(id_), &status, WNOHANG);
    if (waited == static_cast<pid_t>(id_)) {
      id_ = -1;
      *exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return true;
    }
    if (waited < 0 && errno != EINTR) return false;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace qorv::platform
