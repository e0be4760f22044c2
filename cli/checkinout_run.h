// What qorv checkout, undo and checkin share: the check of their options
// and paths before anything connects, and their run, the files in one call
// and each project in one of its own.
#ifndef QORV_CLI_CHECKINOUT_RUN_H_
#define QORV_CLI_CHECKINOUT_RUN_H_

#include "cli/checkinout_options.h"
#include "cli/command.h"

namespace qorv::cli {

Outcome CheckCheckinout(CommandContext& context, CheckOperation operation);

// A call that fails ends the command; a call that succeeds while some of its
// items failed fails it with the first such item. The result lists each
// PATH and its local file or folder; JSON: data.folder, data.targets (path,
// local, kind) and data.items (item, result, description).
Outcome RunCheckinout(CommandContext& context, CheckOperation operation);

}  // namespace qorv::cli

#endif  // QORV_CLI_CHECKINOUT_RUN_H_
