#include "cli/commands.h"

namespace qorv::cli {

std::vector<Command> ClientCommands() {
  return {
      LsCommand(),      ProjectsCommand(), FilesCommand(),     InfoCommand(),
      HistoryCommand(), DeletedCommand(),  LinksCommand(),     CountCommand(),
      ExistsCommand(),  CompareCommand(),  GetCommand(),       CheckoutCommand(),
      CheckinCommand(), UndoCommand(),     DatabasesCommand(), HelpCommand(),
  };
}

}  // namespace qorv::cli
