// Running one qorv command line: parsing it, opening the SDK session the
// command needs, running the command and writing its result and exit status.
#ifndef QORV_CLI_RUNNER_H_
#define QORV_CLI_RUNNER_H_

#include <string>
#include <vector>

#include "cli/command.h"

namespace qorv::cli {

// Runs `arguments` (without the program name) against `commands` and
// returns the exit status. Reentrant: the demo runs its steps through it.
int RunQorv(const std::vector<std::string>& arguments, const std::vector<Command>& commands,
            ProgramIo& io);

}  // namespace qorv::cli

#endif  // QORV_CLI_RUNNER_H_
