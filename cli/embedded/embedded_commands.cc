#include "cli/embedded/embedded_commands.h"

#include "cli/commands.h"

namespace qorv::cli {

std::vector<Command> AllCommands() {
  std::vector<Command> commands = ClientCommands();
  // Before "help", which the client's table keeps last.
  auto help = commands.end();
  if (!commands.empty() && std::string_view(commands.back().name) == "help") --help;
  help = commands.insert(help, DemoCommand());
  commands.insert(help, ServeCommand());
  return commands;
}

}  // namespace qorv::cli
