// Bringing one project's part of the local cache up to date from the server
// (command 59): the project tree update (sub-projects of every level) and
// the file list update (the project's own files). Used by the cache-backed
// queries and by the project gets.
#ifndef QORV_OPS_CACHE_SYNC_H_
#define QORV_OPS_CACHE_SYNC_H_

#include <cstdint>
#include <string>
#include <vector>

#include "local/cache_model.h"
#include "ops/operation_context.h"
#include "protocol/query_commands.h"

namespace qorv::ops {

enum class SyncMode {
  kTree,   // command 59 with (-1, 0): every level of sub-projects, no files
  kFiles,  // command 59 with (0, 1): the project's own files
};

// ---- Merging a reply into the model ----
// Names are compared without regard to ASCII letter case.

// Tree mode: under `project`, every cached sub-project whose name is not
// among the reply's project records of that level goes with its sub-tree;
// every record becomes a sub-project when it is not there yet (a cached one
// whose name differs only in letter case is kept as it is, with everything
// below it); then the same one level down. Records are relative paths
// ("A", "A/B"); file records are ignored.
void MergeProjectTree(CacheModel& model, CacheNode& project,
                      const std::vector<ProjectFileListEntry>& records);

// File mode: every file entry of `project` whose name is not among the
// reply's file records goes; every file record is added or updated with
// ApplyFileRecord (an existing entry keeps its other fields, its local
// copies among them, and takes the record's spelling of the name). Project
// records and names the cache cannot hold are ignored.
void MergeFileList(CacheNode& project, const std::vector<ProjectFileListEntry>& records);

// Writes a command 59 file record into a cache file entry:
//   name <- the record's name; latest_version_date <- its date;
//   status <- its status; version <- its version;
//   status 0, 1, 2, 7 (not checked out): checkout_path <- "",
//     user_name <- user name;
//   status 3, 4 (one user): user_name <- user name, checkout_path kept;
//   status 5, 6 (several users): user_name <- user name + "...",
//     checkout_path kept;
//   any other status: checkout_path and user_name kept.
void ApplyFileRecord(const ProjectFileListEntry& record, CacheFileEntry* entry);

// ---- The update steps ----

// Synchronizes the project in `mode`:
//   no cache node for the path: 30002 "Project not found";
//   command 59; a failure or a cancel ends here with its result;
//   the cache locked and loaded (30025 with the cache's text on failure);
//   the node made sure of again (the load may have replaced the model);
//   the reply merged; the cache saved and unlocked (30026 with the save's
//   text on failure);
//   0 with the command's description.
int32_t SynchronizeProject(const OperationContext& context, const std::string& project_path,
                           SyncMode mode, OperationStatus* status);

// The update steps run inside an operation that has begun
// (OperationContext::BeginOperation); they do not begin it again.

// The project tree update: the cache node of the path made sure of (30006 "Failed to create <path>"
// without a report line when it cannot be); report "Updating project tree of <path>...";
// synchronize in tree mode; report the description flagged with the outcome.
int32_t UpdateProjectTree(const OperationContext& context, const std::string& project_path,
                          OperationStatus* status);

// The file list update: report
// "Updating file list of <path>..."; the cache node of the path created
// when missing; synchronize in file mode; report the description flagged
// with the outcome.
int32_t UpdateFileList(const OperationContext& context, const std::string& project_path,
                       OperationStatus* status);

}  // namespace qorv::ops

#endif  // QORV_OPS_CACHE_SYNC_H_
