// The commands of qorv, one file each. ClientCommands() lists the ones that
// work through the SDK; the embedded server's commands (serve, demo) come
// from cli/embedded/.
#ifndef QORV_CLI_COMMANDS_H_
#define QORV_CLI_COMMANDS_H_

#include <vector>

#include "cli/command.h"

namespace qorv::cli {

Command HelpCommand();
Command LsCommand();
Command ProjectsCommand();
Command FilesCommand();
Command InfoCommand();
Command HistoryCommand();
Command DeletedCommand();
Command LinksCommand();
Command DatabasesCommand();
Command ExistsCommand();
Command CountCommand();
Command CompareCommand();
Command GetCommand();
Command CheckoutCommand();
Command UndoCommand();
Command CheckinCommand();
Command AddCommand();
Command MkdirCommand();
Command RmCommand();
Command MvCommand();
Command RenameCommand();
Command ShareCommand();
Command BranchCommand();
Command PinCommand();
Command UnpinCommand();
Command LabelCommand();
Command RecoverCommand();
Command PurgeCommand();
Command PasswdCommand();

// The command table: every command of the client, in the order of the help.
// A new command is one file defining its Command and one line here.
std::vector<Command> ClientCommands();

}  // namespace qorv::cli

#endif  // QORV_CLI_COMMANDS_H_
