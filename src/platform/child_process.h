// Running a piece of this program in a second process.
//
// Used where two processes must really compete, for example for the
// exclusive lock of a shared file.
#ifndef QORV_PLATFORM_CHILD_PROCESS_H_
#define QORV_PLATFORM_CHILD_PROCESS_H_

#include <functional>

namespace qorv::platform {

// Forks, runs `body` in the child and ends the child with its return value
// (an escaping exception ends it with 125), then waits for it. Returns the
// child's exit code, or -1 when it could not be started or did not end
// normally. Call it only while this process runs no other threads.
int RunInChildProcess(const std::function<int()>& body);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_CHILD_PROCESS_H_
