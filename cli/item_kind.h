// Whether a path given to info or history names a project or a file.
#ifndef QORV_CLI_ITEM_KIND_H_
#define QORV_CLI_ITEM_KIND_H_

#include <string>

#include "cli/command.h"

namespace qorv::cli {

// The options --project and --file that settle it without asking.
const OptionSpec& ProjectOptionSpec();
const OptionSpec& FileOptionSpec();

// The check of a command with these options: not both.
Outcome CheckItemKindOptions(CommandContext& context);

// --project or --file decide; the root is a project; otherwise the server is
// asked whether a project of that path exists (IsProjectExistingOnServer),
// and anything else is taken as a file.
Outcome ResolveIsProject(CommandContext& context, const std::string& path, bool* is_project);

enum class ServerItem { kNone, kProject, kFile };

// What `path` names on the server: a project (IsProjectExistingOnServer;
// the root always), else a file when its parent project exists and lists
// it (GetFilesByProject, names compared without regard to ASCII letter
// case), else nothing. An item that does not exist gives no failure report
// line: the parent project is asked about before its files are listed.
Outcome FindServerItem(CommandContext& context, const std::string& path, ServerItem* item);

}  // namespace qorv::cli

#endif  // QORV_CLI_ITEM_KIND_H_
