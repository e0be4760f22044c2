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

// ---- Delete ------------------------------------------------------------------

// Command 5 with the destroy flag and the one path. `result` becomes {path,
// entry result, entry description} with Report("Deleting <path>...", entry
// description, entry result is 0); when the command itself fails it takes
// the command's result and description, which the line reports. When the
// command is ok, not canceled and answered an entry: cache lock, the same
// line again, the project removed from the cache with its sub-tree and the
// working folders below it when the entry's result is 0, cache save. The
// result is the command's (or the cache step's failure).
int32_t DeleteProject(const OperationContext& context, const std::string& project_path,
                      bool destroy_permanently, OperationStatus* status, ItemResult* result);

// An empty list: "Completed", line {1, "Completed"}, 0, nothing sent.
// Command 5 with the paths; not ok or canceled: Report("Deleting files
// ...:", description, 0), every item result takes the command's result and
// description, the command's result. Otherwise cache lock; per entry the
// item result, Report("Deleting <path> ...", entry description, entry
// result is 0) and, for 0, the file entry removed from the cache; cache
// save; 0.
int32_t DeleteFiles(const OperationContext& context, const std::vector<std::string>& file_paths,
                    bool destroy_permanently, OperationStatus* status,
                    std::vector<ItemResult>* results);

// ---- Rename and move ---------------------------------------------------------

// Command 6 for parent joined with the project name ("$/" + name for the
// root); Report("Renaming <name> to <new name>...", description, ok); not ok
// or canceled ends there. Cache lock; the project's node (made when
// missing) and every node and working-folder key below it take the new
// path; cache save; 0.
int32_t RenameProject(const OperationContext& context, const std::string& parent_project,
                      const std::string& project_name, const std::string& new_name,
                      OperationStatus* status);

// Command 6 for parent joined with the file name; not ok or canceled:
// Report("Renaming <name> to <new name>...", description, 0). Otherwise
// cache lock; the parent's node made sure of; the file entry, when cached,
// moves to the new name with all its fields; cache save; the same heading
// with the description flagged success; 0.
int32_t RenameFile(const OperationContext& context, const std::string& parent_project,
                   const std::string& file_name, const std::string& new_name,
                   OperationStatus* status);

// Command 19 alone: no cancel reset, no ping, no report lines, no cache
// update.
int32_t MoveItem(const OperationContext& context, const std::string& item_path,
                 const std::string& target_project, OperationStatus* status);

// ---- Share and branch --------------------------------------------------------

// With `recursive`, a project shared under itself (the project is "$/", the
// target is the project or lies below it, without regard to case) is
// refused: 30023 "A project cannot be shared under a descendant", nothing
// sent. Command 9; Report("Sharing project <project>...", description, ok);
// the command's result. No cache update.
int32_t ShareProjectFrom(const OperationContext& context, const std::string& target_project,
                         const std::string& project_to_share, bool branch_after_share,
                         bool recursive, const std::string& comment, OperationStatus* status);

// Per file, in order, until a cancel (asked, or seen by a request): command 8, its item
// result and Report("Sharing file <file>...", description, ok); a refused
// file is skipped. Each shared file's cache entry under the target starts as
// a copy of the source's (a file the cache does not know gets none unless
// it is branched): without branching its status becomes the shared one
// (0->2, 1->7, 3->4, 5->6); with branching the status is kept, the version
// comes from command 67 and the version's date from command 23 (failure or
// cancel: Report("Getting file <file> remote version...", description, 0)
// and that result ends the operation). Then cache lock (not given up on a
// cancel: the shares are done), the entries added, cache save; 0 with
// "Completed".
int32_t ShareFilesFrom(const OperationContext& context, const std::string& target_project,
                       const std::vector<std::string>& file_paths, bool branch_after_share,
                       const std::string& comment, OperationStatus* status,
                       std::vector<ItemResult>* results);

// Command 18; Report("Branching item <path>...", description, ok). No cache
// update.
int32_t Branch(const OperationContext& context, const std::string& item_path,
               const std::string& comment, OperationStatus* status);

// ---- Pin, unpin and label ----------------------------------------------------

// Command 16; Report(none, "Pinning the file <path> ... : <description>",
// ok). Ok: cache lock; the file's entry (made when missing) becomes pinned
// (status 0->1, 2->7), takes the date command 16 returned and the pinned
// version (version 0, the latest, keeps the entry's version); cache save.
int32_t PinFile(const OperationContext& context, const std::string& file_path, int32_t version,
                OperationStatus* status);

// Command 17; failure: Report("Unpinning the file <path>...", description,
// 0). Command 67 for the file; failure: Report("Getting item <path> remote
// version...", description, 0). Then Report("Unpinning the file
// <path>...", description of 17, 1); cache lock; the entry (made when
// missing) takes status and version from 67 and the date from 17; cache
// save.
int32_t UnpinFile(const OperationContext& context, const std::string& file_path,
                  OperationStatus* status);

// Command 33; Report(none, "Labeling <path>...: <description>", ok). No
// cache update.
int32_t LabelItem(const OperationContext& context, const std::string& item_path,
                  const std::string& label_name, const std::string& comment,
                  OperationStatus* status);

// ---- Deleted items and the password ------------------------------------------

// Item results start as {path, 0, "Completed"}. Command 7; not ok or
// canceled: Report(none, "Recovering items... :<description>", 0), the
// command's result, the item results as they started. Otherwise per entry
// the item result and Report("Recoving <path> item...", entry description,
// entry result is 0); 0.
int32_t RecoverItems(const OperationContext& context, const std::vector<std::string>& item_paths,
                     OperationStatus* status, std::vector<ItemResult>* results);

// An empty list: "Completed", line {1, "Completed"}, 0, nothing sent.
// Item results start as {path, 0, "Completed"}. Command 32; not ok or
// canceled: Report(none, "Purging items ... : <description>", 0), the
// command's result. Otherwise per entry the item result and
// Report("Purging <path>", entry description, entry result is 0); 0.
int32_t PurgeItems(const OperationContext& context, const std::vector<std::string>& item_paths,
                   OperationStatus* status, std::vector<ItemResult>* results);

// Report("Changing password ... ", none, 1); command 20; Report(none,
// description, ok). The password is not kept.
int32_t SetPassword(const OperationContext& context, const std::string& new_password,
                    OperationStatus* status);

}  // namespace qorv::ops

#endif  // QORV_OPS_TREE_EDITS_H_
