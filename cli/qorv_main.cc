// qorv: the command-line client. See docs/cli.md and qorv --help.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/embedded/embedded_commands.h"
#include "cli/runner.h"
#include "cli/system_io.h"
#include "platform/com/caller_apartment.h"
#include "platform/console/interrupt_watch.h"
#include "platform/file_system.h"
#include "platform/process.h"

#ifndef QORV_DEFAULT_MODULE
#define QORV_DEFAULT_MODULE ""
#endif
#ifndef QORV_INSTALLED_MODULE
#define QORV_INSTALLED_MODULE ""
#endif

namespace {

// The module qorv registers when the registry names none: the one installed
// with it (QORV_INSTALLED_MODULE is its path from the folder of the
// installed qorv, "../lib/libqorvsdk.so.1"), else the one of the build tree
// qorv was built in.
std::string DefaultModule() {
  const std::string program = qorv::platform::ExecutableFile();
  const size_t slash = program.rfind('/');
  if (slash != std::string::npos && QORV_INSTALLED_MODULE[0] != '\0') {
    const std::string installed = program.substr(0, slash + 1) + QORV_INSTALLED_MODULE;
    if (qorv::platform::GetAttributes(installed) != qorv::platform::kInvalidAttributes) {
      return installed;
    }
  }
  return QORV_DEFAULT_MODULE;
}

}  // namespace

int main(int argc, char** argv) try {
  qorv::platform::IgnoreBrokenPipes();
  // Before any thread starts, so that only the watcher takes Ctrl-C.
  qorv::platform::InterruptWatch interrupts;
  // The SDK object lives on this thread.
  qorv::platform::CallerApartment apartment;
  qorv::platform::StandardOutput output;
  qorv::cli::ProgramIo io = qorv::cli::SystemProgramIo(output, &interrupts.flag(), DefaultModule());
  io.watch = &interrupts;
  const std::vector<qorv::cli::Command> commands = qorv::cli::AllCommands();
  return qorv::cli::RunQorv(std::vector<std::string>(argv + 1, argv + argc), commands, io);
} catch (const std::exception& error) {
  // RunQorv catches what its commands throw; this is for the set-up around it.
  std::cerr << "qorv: internal error: " << error.what() << "\n";
  return static_cast<int>(qorv::cli::ExitClass::kInternal);
}
