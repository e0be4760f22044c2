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

}  // namespace qorv::cli

#endif  // QORV_CLI_ITEM_KIND_H_
