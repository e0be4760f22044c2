#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "platform/process.h"

namespace qorv::platform {

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

std::string ExecutableFile() {
  char path[4096];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof path) return std::string();
  return std::string(path, static_cast<size_t>(length));
}

bool ProcessExists(int64_t process_id) {
  // An id no pid_t can hold names no process (and must not be cut down to
  // one that does).
  if (process_id <= 0 || process_id > std::numeric_limits<pid_t>::max()) return false;
  return ::kill(static_cast<pid_t>(process_id), 0) == 0 || errno == EPERM;
}

bool RunsAsAdministrator() { return ::geteuid() == 0; }

uint32_t CurrentThreadId() { return static_cast<uint32_t>(::syscall(SYS_gettid)); }

uint32_t TickCountMs() {
  timespec now;
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t ms =
      static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

void SleepMs(uint32_t milliseconds) {
  timespec delay;
  delay.tv_sec = milliseconds / 1000;
  delay.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (::nanosleep(&delay, &delay) != 0) {
  }
}

uint64_t PeakResidentBytes(int64_t process_id) {
  // "VmHWM:   123456 kB" in /proc/<pid>/status.
  std::ifstream status("/proc/" + std::to_string(process_id) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6)) * 1024u;
  }
  return 0;
}

uint64_t ResidentBytes(int64_t process_id) {
  // "VmRSS:   123456 kB" in /proc/<pid>/status.
  std::ifstream status("/proc/" + std::to_string(process_id) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stoull(line.substr(6)) * 1024u;
  }
  return 0;
}

bool SetOpenFileLimit(uint64_t limit, uint64_t* previous) {
  struct rlimit current {};
  if (getrlimit(RLIMIT_NOFILE, &current) != 0) return false;
  *previous = current.rlim_cur;
  current.rlim_cur = std::min<rlim_t>(limit, current.rlim_max);
  return setrlimit(RLIMIT_NOFILE, &current) == 0;
}

double CpuSeconds(int64_t process_id) {
  // "pid (comm) state ..." in /proc/<pid>/stat: utime and stime are fields
  // 14 and 15, counted after the ")" that ends the name, which may itself
  // hold spaces and parentheses.
  std::ifstream stat("/proc/" + std::to_string(process_id) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return -1;
  const size_t name_end = line.rfind(')');
  if (name_end == std::string::npos) return -1;
  std::istringstream fields(line.substr(name_end + 1));
  std::string skipped;
  for (int field = 3; field < 14; ++field) fields >> skipped;
  uint64_t user_ticks = 0;
  uint64_t system_ticks = 0;
  if (!(fields >> user_ticks >> system_ticks)) return -1;
  const long ticks_per_second = ::sysconf(_SC_CLK_TCK);
  if (ticks_per_second <= 0) return -1;
  return static_cast<double>(user_ticks + system_ticks) / static_cast<double>(ticks_per_second);
}

}  // namespace qorv::platform
