// The ProgramIo of the real program: the process's standard streams and
// environment, the terminal facilities and the Ctrl-C flag.
#ifndef QORV_CLI_SYSTEM_IO_H_
#define QORV_CLI_SYSTEM_IO_H_

#include <atomic>
#include <string>

#include "cli/command.h"
#include "platform/console/standard_output.h"

namespace qorv::cli {

// `output` is standard output, which must outlive the result; `interrupt`
// the flag of the process's InterruptWatch; `default_module` the SDK module
// built with qorv.
ProgramIo SystemProgramIo(platform::StandardOutput& output, const std::atomic<bool>* interrupt,
                          std::string default_module);

}  // namespace qorv::cli

#endif  // QORV_CLI_SYSTEM_IO_H_
