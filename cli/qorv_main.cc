// qorv: the command-line client. See docs/cli.md and qorv --help.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/embedded/embedded_commands.h"
#include "cli/runner.h"
#include "cli/system_io.h"
#include "platform/console/interrupt_watch.h"

#ifndef QORV_DEFAULT_MODULE
#define QORV_DEFAULT_MODULE ""
#endif

int main(int argc, char** argv) try {
  qorv::platform::IgnoreBrokenPipes();
  // Before any thread starts, so that only the watcher takes Ctrl-C.
  qorv::platform::InterruptWatch interrupts;
  qorv::platform::StandardOutput output;
  qorv::cli::ProgramIo io =
      qorv::cli::SystemProgramIo(output, &interrupts.flag(), QORV_DEFAULT_MODULE);
  io.watch = &interrupts;
  const std::vector<qorv::cli::Command> commands = qorv::cli::AllCommands();
  return qorv::cli::RunQorv(std::vector<std::string>(argv + 1, argv + argc), commands, io);
} catch (const std::exception& error) {
  // RunQorv catches what its commands throw; this is for the set-up around it.
  std::cerr << "qorv: internal error: " << error.what() << "\n";
  return static_cast<int>(qorv::cli::ExitClass::kInternal);
}
