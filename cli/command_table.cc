#include "cli/commands.h"

namespace qorv::cli {

std::vector<Command> ClientCommands() {
  return {
      LsCommand(),      ProjectsCommand(), FilesCommand(),     InfoCommand(),   HistoryCommand(),
      DeletedCommand(), LinksCommand(),    CountCommand(),     ExistsCommand(), CompareCommand(),
      GetCommand(),     CheckoutCommand(), CheckinCommand(),   UndoCommand(),   AddCommand(),
      MkdirCommand(),   RmCommand(),       MvCommand(),        RenameCommand(), ShareCommand(),
      BranchCommand(),  PinCommand(),      UnpinCommand(),     LabelCommand(),  RecoverCommand(),
      PurgeCommand(),   PasswdCommand(),   DatabasesCommand(), HelpCommand(),
  };
}

}  // namespace qorv::cli
