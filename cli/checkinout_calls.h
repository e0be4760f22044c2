// The SDK's check out, undo check out and check in as qorv calls them: the
// input sets built from the paths given, the other arguments from the
// options, and the per-item results read back.
#ifndef QORV_CLI_CHECKINOUT_CALLS_H_
#define QORV_CLI_CHECKINOUT_CALLS_H_

#include <vector>

#include "cli/checkinout_options.h"
#include "cli/local_targets.h"
#include "cli/operation_items.h"
#include "cli/outcome.h"
#include "qorvsdk/sdk.h"

namespace qorv::cli {

// Each call passes the handling of the operation's question Ask, so that the
// prompt answers (options or the terminal) decide file by file, and appends
// the items of the call to *items.

// CheckoutFiles, UndoFilesCheckout or CheckInFiles with the files' server
// path / LocalFileName pairs.
Outcome CallForFiles(IQORVSDK* sdk, CheckOperation operation, const CheckSettings& settings,
                     const std::vector<ItemTarget>& files, std::vector<OperationItem>* items);

// CheckoutProject, UndoProjectCheckout or CheckInProject for one project and
// its local folder.
Outcome CallForProject(IQORVSDK* sdk, CheckOperation operation, const CheckSettings& settings,
                       const ItemTarget& project, std::vector<OperationItem>* items);

}  // namespace qorv::cli

#endif  // QORV_CLI_CHECKINOUT_CALLS_H_
