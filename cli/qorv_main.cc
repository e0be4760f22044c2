// qorv: the command-line client. See docs/cli.md and qorv --help.
#include <string>
#include <vector>

#include "cli/embedded/embedded_commands.h"
#include "cli/runner.h"
#include "cli/system_io.h"
#include "platform/console/interrupt_watch.h"

#ifndef QORV_DEFAULT_MODULE
#define QORV_DEFAULT_MODULE ""
#endif

int main(int argc, char** argv) {
  qorv::platform::IgnoreBrokenPipes();
  // Before any thread starts, so that only the watcher takes Ctrl-C.
  qorv::platform::InterruptWatch interrupts;
  qorv::cli::ProgramIo io = qorv::cli::SystemProgramIo(&interrupts.flag(), QORV_DEFAULT_MODULE);
  io.watch = &interrupts;
  const std::vector<qorv::cli::Command> commands = qorv::cli::AllCommands();
  return qorv::cli::RunQorv(std::vector<std::string>(argv + 1, argv + argc), commands, io);
}
