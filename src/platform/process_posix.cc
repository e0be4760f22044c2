#include <sys/syscall.h>

#include <time.h>
#include <unistd.h>
#include <fstream>
#include <string>

#include "platform/process.h"

namespace qorv::platform {

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

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

}  // namespace qorv::platform
