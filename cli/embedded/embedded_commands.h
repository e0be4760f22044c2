// The commands that run the reference server inside qorv (serve, demo), and
// the whole command table of the program.
#ifndef QORV_CLI_EMBEDDED_EMBEDDED_COMMANDS_H_
#define QORV_CLI_EMBEDDED_EMBEDDED_COMMANDS_H_

#include <vector>

#include "cli/command.h"

namespace qorv::cli {

Command ServeCommand();
Command DemoCommand();

// The client's commands with serve and demo, help last.
std::vector<Command> AllCommands();

}  // namespace qorv::cli

#endif  // QORV_CLI_EMBEDDED_EMBEDDED_COMMANDS_H_
