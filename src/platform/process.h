// Process, thread and clock facilities.
#ifndef QORV_PLATFORM_PROCESS_H_
#define QORV_PLATFORM_PROCESS_H_

#include <cstdint>
#include <string>

namespace qorv::platform {

uint32_t CurrentProcessId();

// The absolute path of the running program's file (symbolic links
// resolved); empty when the system does not tell.
std::string ExecutableFile();
uint32_t CurrentThreadId();

// Whether a process of this id runs (a zombie counts as running until its
// parent waits for it). An id of a process of another user counts as running.
bool ProcessExists(int64_t process_id);

// Milliseconds from a monotonic clock (the system's tick count); wraps at 2^32.
uint32_t TickCountMs();

void SleepMs(uint32_t milliseconds);

// Whether the process runs with the administrator's rights (effective user
// root), which tests that start system services or create users need.
bool RunsAsAdministrator();

// The highest resident memory the process has used so far, in bytes (0 when
// the system does not tell). Benchmarks report it for the client and the
// server.
uint64_t PeakResidentBytes(int64_t process_id);

// The memory the process holds resident now, in bytes (0 when the system
// does not tell). The load benchmark samples it over time.
uint64_t ResidentBytes(int64_t process_id);

// Sets the soft limit on open descriptors of this process, storing the
// limit before in *previous. False when the system refuses. Tests lower it
// to exhaust descriptors.
bool SetOpenFileLimit(uint64_t limit, uint64_t* previous);

// The processor time (user and system, all threads) the process has used so
// far, in seconds, to the system's clock tick; -1 when the system does not
// tell (no such process). Benchmarks compare it between runs on a machine
// shared with other work, where elapsed times swing with the load.
double CpuSeconds(int64_t process_id);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_PROCESS_H_
