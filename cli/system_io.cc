#include "cli/system_io.h"

#include <cstdlib>
#include <iostream>

namespace qorv::cli {

ProgramIo SystemProgramIo(platform::StandardOutput& output, const std::atomic<bool>* interrupt,
                          std::string default_module) {
  ProgramIo io(output.stream(), std::cerr);
  io.output_failure = [&output] { return output.failure(); };
  io.input_is_terminal = platform::IsTerminal(platform::StandardStream::kInput);
  io.error_is_terminal = platform::IsTerminal(platform::StandardStream::kError);
  io.columns = platform::TerminalColumns(platform::StandardStream::kError, 80);
  io.interrupt = interrupt;
  io.read_line = [interrupt](std::string* line, bool echo,
                             const std::function<void()>& show_prompt) {
    return platform::ReadInputLine(line, echo, interrupt, show_prompt);
  };
  io.environment = [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
  io.default_module = std::move(default_module);
  return io;
}

}  // namespace qorv::cli
