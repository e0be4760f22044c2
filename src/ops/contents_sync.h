// Bringing a project's part of the local cache up to date from the reply of
// command 3 (List project contents), which the project-wide operations ask
// for before they walk the project: its sub-projects (every level when the
// listing was recursive) and the files of each project listed.
#ifndef QORV_OPS_CONTENTS_SYNC_H_
#define QORV_OPS_CONTENTS_SYNC_H_

#include <cstdint>
#include <string>
#include <vector>

#include "local/cache_model.h"
#include "ops/operation_context.h"
#include "protocol/query_commands.h"

namespace qorv::ops {

// Merges the reply into the cache below `project` (names compared without
// regard to ASCII letter case):
//   sub-projects: at the project's level, and with `recursive` at every
//     level below it, those not listed go with their sub-trees and the
//     listed ones are added; without `recursive` the sub-trees of the listed
//     sub-projects stay as they are (the reply says nothing of them);
//   files: in every project whose level the reply covers, the entries not
//     listed go; a listed file is added when missing, and takes the record's
//     status and version (and, when nobody has it checked out, loses its
//     check-out path); its other fields, local copies among them, are kept.
// Names the cache cannot hold, and records below an unlisted project, are
// left out.
void MergeProjectContents(CacheModel& model, CacheNode& project,
                          const std::vector<ProjectContentsEntry>& records, bool recursive);

// The merge above into the cache as it is on disk: lock and load, merge,
// save and release. 30006 "Failed to create <project>" when the project
// cannot be a node, 30025 or 30026 with the cache's text when it cannot be
// loaded or saved. A cache that cannot be written here at all (see
// CacheResult::unwritable) is merged in memory only, and that is success.
int32_t StoreProjectContents(const OperationContext& context, const std::string& project_path,
                             const std::vector<ProjectContentsEntry>& records, bool recursive,
                             OperationStatus* status);

}  // namespace qorv::ops

#endif  // QORV_OPS_CONTENTS_SYNC_H_
