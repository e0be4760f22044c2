// The ProgramIo of the real program: the process's standard streams and
// environment, the terminal facilities and the Ctrl-C flag.
#ifndef QORV_CLI_SYSTEM_IO_H_
#define QORV_CLI_SYSTEM_IO_H_

#include <atomic>
#include <string>

#include "cli/command.h"

namespace qorv::cli {

// `interrupt` is the flag of the process's InterruptWatch; `default_module`
// the SDK module built with qorv.
ProgramIo SystemProgramIo(const std::atomic<bool>* interrupt, std::string default_module);

}  // namespace qorv::cli

#endif  // QORV_CLI_SYSTEM_IO_H_
