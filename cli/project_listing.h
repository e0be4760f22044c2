// Reading a project's contents through the SDK: its sub-projects
// (GetSubProjectsFromParent), its file names (GetFilesByProject) and its
// files with their status (GetFileListFromProject).
#ifndef QORV_CLI_PROJECT_LISTING_H_
#define QORV_CLI_PROJECT_LISTING_H_

#include <string>
#include <vector>

#include "cli/outcome.h"
#include "qorvsdk/sdk.h"

namespace qorv::cli {

struct FileEntry {
  std::string name;
  DATE latest = 0;  // time of the latest version
  std::string user;
  LONG status = 0;  // Enum_FileStatus
  LONG version = 0;
};

// Each list comes sorted by name, letter case folded as the server folds it:
// the SDK answers from its cache, which keeps items in the order it learnt
// of them (an item new since the last listing comes last).
Outcome ReadSubProjects(IQORVSDK* sdk, const std::string& project, std::vector<std::string>* names);
Outcome ReadFileNames(IQORVSDK* sdk, const std::string& project, std::vector<std::string>* names);
Outcome ReadFileList(IQORVSDK* sdk, const std::string& project, std::vector<FileEntry>* files);

}  // namespace qorv::cli

#endif  // QORV_CLI_PROJECT_LISTING_H_
