// Running a piece of this program in a second process.
//
// Used where two processes must really compete, for example for the
// exclusive lock of a shared file.
#ifndef QORV_PLATFORM_CHILD_PROCESS_H_
#define QORV_PLATFORM_CHILD_PROCESS_H_

#include <cstdint>
#include <functional>

namespace qorv::platform {

// Forks and runs `body` in the child, which then ends with `body`'s return
// value (an escaping exception ends it with 125). Returns the child's id, or
// -1 when it could not be started. Call it only while this process runs no
// other threads.
int64_t StartChildProcess(const std::function<int()>& body);

// Waits for a child started by StartChildProcess(); returns its exit code, or
// -1 when it did not end normally.
int WaitForChildProcess(int64_t child);

// StartChildProcess() then WaitForChildProcess().
int RunInChildProcess(const std::function<int()>& body);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_CHILD_PROCESS_H_
