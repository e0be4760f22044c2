// The project tree edits: create, delete, rename and move projects and
// files, share, branch, pin and unpin, label, recover and purge deleted
// items, and the user's password. Each sends one or a few commands of
// protocol/tree_commands.h, reports its lines and, where the tree changed in
// a way the local cache mirrors, brings the cache in line, only after the
// server confirmed the change and only for the items it accepted.
//
// Report(h, o, f) below is OperationDriver::Report: {1, h} when h is not
// empty, then {f, o} when o is not empty. "Cache lock" is the cache update
// step (30025 "Failed to update cache file. Please try again later", line
// {0, description}); "cache save" saves and unlocks (30026 with the save's
// text, line {0, description}).
//
// Every operation except MoveItem clears the cancel flag and sends the
// keep-alive ping first (OperationContext::BeginOperation); CreateProjects
// is a step of other operations and does not.
//
// A name the cache cannot hold (IsValidCacheName) leaves its item out of the
// cache update; the other items of the same call are updated as usual, and
// the next tree or file list update puts the cache right.
#ifndef QORV_OPS_TREE_EDITS_H_
#define QORV_OPS_TREE_EDITS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "ops/item_result.h"
#include "ops/operation_context.h"

namespace qorv::ops {

// ---- Create ------------------------------------------------------------------

// The creation of full project paths, in an operation that has begun:
//   command 4 with the comment and the paths; not ok: Report(none,
//   description, 0), the command's result;
//   cache lock;
//   per reply entry, in order: Report("Creating project <path>...", none, 1);
//   then by the entry's result: 0 Report(none, "Completed", 1); 2 (already
//   there) Report(none, entry description, 1); 3 Report(none, entry
//   description, 0), cache save, description = the entry's, 30006; the
//   cache gets the nodes of each path the server created or already had;
//   cache save; 0.
int32_t CreateProjects(const OperationContext& context, const std::vector<std::string>& full_paths,
                       const std::string& comment, OperationStatus* status);

// BeginOperation, then CreateProjects of parent + ("/" unless the parent
// ends with "/") + name.
int32_t CreateProject(const OperationContext& context, const std::string& parent_project,
                      const std::string& new_project_name, const std::string& comment,
                      OperationStatus* status);

}  // namespace qorv::ops

#endif  // QORV_OPS_TREE_EDITS_H_
