// The SDK's get operations as qorv get calls them: the input sets built from
// the paths given, the shared arguments from the options, and the per-item
// results read back.
#ifndef QORV_CLI_GET_CALLS_H_
#define QORV_CLI_GET_CALLS_H_

#include <string>
#include <vector>

#include "cli/get_options.h"
#include "cli/local_targets.h"
#include "cli/operation_items.h"
#include "cli/outcome.h"
#include "qorvsdk/sdk.h"

namespace qorv::cli {

// Each call passes the writable-file handling Ask, so that the prompt
// answers (options or the terminal) decide file by file, and appends the
// items of the call to *items.

// GetLatestFiles with the files' FileToGet / LocalFileName pairs.
Outcome CallGetLatestFiles(IQORVSDK* sdk, const GetSettings& settings,
                           const std::vector<ItemTarget>& files, std::vector<OperationItem>* items);

// GetLatestProject for one project, GetLatestProjects (ProjectToGet /
// LocalFolder pairs) for several.
Outcome CallGetLatestProjects(IQORVSDK* sdk, const GetSettings& settings,
                              const std::vector<ItemTarget>& projects,
                              std::vector<OperationItem>* items);

// GetProjectByLabel or GetProjectByVersion, as settings.mode says.
Outcome CallGetDatedProject(IQORVSDK* sdk, const GetSettings& settings, const ItemTarget& project,
                            std::vector<OperationItem>* items);

// GetOldVersionFile of settings.version, the file split into its project
// and name.
Outcome CallGetOldVersionFile(IQORVSDK* sdk, const GetSettings& settings, const ItemTarget& file,
                              std::vector<OperationItem>* items);

}  // namespace qorv::cli

#endif  // QORV_CLI_GET_CALLS_H_
