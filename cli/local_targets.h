// Where the paths given to get, checkout, undo and checkin go in the local
// folder of --dir, and which of them are projects.
#ifndef QORV_CLI_LOCAL_TARGETS_H_
#define QORV_CLI_LOCAL_TARGETS_H_

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/command.h"
#include "cli/outcome.h"

namespace qorv::cli {

// One path given and the local file or folder it goes to.
struct ItemTarget {
  std::string path;
  std::string local;
};

// The --dir option as the commands that write local files have it.
OptionSpec DirOptionSpec(const char* help);

// The absolute local folder of --dir, the current folder without it; a usage
// error for an empty --dir.
Outcome ReadLocalFolder(const OptionValues& options, std::string* folder);

// Where the item `server_path` goes: `folder` + "/" + its name (the root,
// having none, is `folder` itself).
std::string LocalTarget(const std::string& folder, const std::string& server_path);

// A usage error of `command` when two paths would go to one local place
// (two files of one name from different projects); `server_paths` as given.
Outcome CheckDistinctTargets(const char* command, const std::string& folder,
                             const std::vector<std::string>& server_paths);

// The command's arguments with their local places, projects and files apart
// (ResolveIsProject: --project or --file, else the server is asked).
Outcome SortTargets(CommandContext& context, const std::string& folder,
                    std::vector<ItemTarget>* files, std::vector<ItemTarget>* projects);

}  // namespace qorv::cli

#endif  // QORV_CLI_LOCAL_TARGETS_H_
