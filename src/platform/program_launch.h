// Starting another program and waiting until it ends, as the merge step
// starts the external merge tool the caller chose.
#ifndef QORV_PLATFORM_PROGRAM_LAUNCH_H_
#define QORV_PLATFORM_PROGRAM_LAUNCH_H_

#include <string>
#include <vector>

namespace qorv::platform {

// Starts `path` with `arguments` (argv[1] onwards; argv[0] is `path`) without
// a shell, so no argument is ever interpreted, and waits without time limit
// until it ends (an interrupted wait is resumed). The program inherits the
// environment and the standard streams (the files of this project are opened
// close-on-exec and do not reach it) and starts with no signal blocked and
// the default handling of SIGINT, SIGTERM and SIGPIPE. Returns 0, or the
// error number when it could not be started (a missing or non-executable
// file among them) or waited for; on 0 `*exit_status` is its exit code, or
// 128 + the signal number when a signal ended it.
int RunProgramAndWait(const std::string& path, const std::vector<std::string>& arguments,
                      int* exit_status);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_PROGRAM_LAUNCH_H_
