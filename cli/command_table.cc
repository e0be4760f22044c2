#include "cli/commands.h"

namespace qorv::cli {

std::vector<Command> ClientCommands() {
  return {
      LsCommand(),      ProjectsCommand(),  FilesCommand(), InfoCommand(),   HistoryCommand(),
      DeletedCommand(), LinksCommand(),     CountCommand(), ExistsCommand(), CompareCommand(),
      GetCommand(),     DatabasesCommand(), HelpCommand(),
  };
}

}  // namespace qorv::cli
