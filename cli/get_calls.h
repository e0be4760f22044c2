// The SDK's get operations as qorv get calls them: the input sets built from
// the paths given, the shared arguments from the options, and the per-item
// results read back.
#ifndef QORV_CLI_GET_CALLS_H_
#define QORV_CLI_GET_CALLS_H_

#include <string>
#include <vector>

#include "cli/get_options.h"
#include "cli/outcome.h"
#include "qorvsdk/sdk.h"

namespace qorv::cli {

// One path given and the local file or folder it goes to.
struct GetTarget {
  std::string path;
  std::string local;
};

// One element of the operation's OperationResultSet (or its single
// OperationResult).
struct GetItemResult {
  std::string item;  // ItemFullName
  int32_t result = 0;
  std::string description;
};

// Each call passes the writable-file handling Ask, so that the prompt
// answers (options or the terminal) decide file by file, and appends the
// items of the call to *items.

// GetLatestFiles with the files' FileToGet / LocalFileName pairs.
Outcome CallGetLatestFiles(IQORVSDK* sdk, const GetSettings& settings,
                           const std::vector<GetTarget>& files, std::vector<GetItemResult>* items);

// GetLatestProject for one project, GetLatestProjects (ProjectToGet /
// LocalFolder pairs) for several.
Outcome CallGetLatestProjects(IQORVSDK* sdk, const GetSettings& settings,
                              const std::vector<GetTarget>& projects,
                              std::vector<GetItemResult>* items);

// GetProjectByLabel or GetProjectByVersion, as settings.mode says.
Outcome CallGetDatedProject(IQORVSDK* sdk, const GetSettings& settings, const GetTarget& project,
                            std::vector<GetItemResult>* items);

// GetOldVersionFile of settings.version, the file split into its project
// and name.
Outcome CallGetOldVersionFile(IQORVSDK* sdk, const GetSettings& settings, const GetTarget& file,
                              std::vector<GetItemResult>* items);

}  // namespace qorv::cli

#endif  // QORV_CLI_GET_CALLS_H_
