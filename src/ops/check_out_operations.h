// Check out and undo check out, for a list of files and for a project (whose
// list comes from the project walk, project_walk.h). Reports, progress and
// the writable-file prompt follow the get (file_get_pass.h).
//
// Check-out pass:
//  An empty list: result 0, "Completed", heading "Checking out files...: "
//  with outcome "Completed".
//  1. Progress 5, sub-range 5 to 10: the check-out records of all files
//     (68); a failure or cancel: progress 100, outcome "Checking out files
//     ...: <description>", the operation ends.
//  2. Per file: not on the server: 30002 ("<path> not found"); already
//     checked out by the user: 30020 ("You currently have file <path>
//     checked out"), its local file made writable; the local path a
//     directory: 30012 (" a folder with the name <path> already exists").
//  3. Progress 10.
//  4. Without a local copy: each file's folder created, checked out without
//     a fetch. Otherwise the server state (67, progress 10 to 20): a state
//     with an error fails the file; an unchanged local file is checked out
//     without a fetch; a changed read-only one, or a missing one, is
//     fetched; a changed writable one asks the writable-file question
//     (Replace fetches, Skip and Merge keep it; Canceled stops the
//     operation with 30016 before anything is checked out). A file's folder
//     is created before it joins (30007 "Failed to create Folder <folder>").
//  5. Progress 20: the check-out requests (72, downloads, 73) of at most 500
//     files each. A failed or canceled request: progress 100, outcome
//     "Checking out files ...: <description>", the operation ends.
//  6. Progress 85: the cache updated (30025 on failure).
//  7. Each file checked out: its local file made writable; a fetched one
//     gets its file time and its local copy recorded; the cache records the
//     check-out to this local path.
//  8. The cache saved (30026); progress 100; result 0.
//
// Undo pass:
//  An empty list: result 0, "Completed", outcome "Undoing check out files
//  ... : Completed".
//  1. Progress 5, sub-range 5 to 20; unless the local handling is Leave, the
//     server state (67); failure: outcome "Getting files common info...:
//     <description>", the operation ends.
//  2. Sub-range 20 to 50; per file the local action: a state with an error
//     fails it; Leave: none; no local file: fetch with Replace, none with
//     Delete; an unchanged local file: with Replace only its attribute, with
//     Delete deleted; a changed one: the changed-file question ("<path> has
//     changed.\r\nUndo check out and lose changes?" with Ask): Undo goes
//     ahead, NotUndo leaves the file out of the undo (still checked out),
//     Cancel stops the operation with 30016 "Canceled" before anything is
//     undone. A changed local file is never replaced or deleted unless the
//     caller agreed (the answer or the handling Undo).
//  3. The undo requests (43) of at most 500 files; failure: outcome "Undoing
//     check out files ... : <description>", the operation ends; per-file
//     failures: heading "Undoing check out <path>...: ", outcome the
//     description.
//  4. Per file undone: the cache drops the check-out; Delete with a local
//     action deletes the local file and its record; Replace with a local
//     action fetches it (when its folder exists).
//  5. The fetches (38) of at most 500 files; failure: outcome "Getting
//     files ... : <description>", the operation ends; the cache updated.
//  6. Files left, fetched or only given their attribute become read-only
//     with ReadOnlyIfNotCheckedout; fetched ones are recorded.
//  7. The cache saved; progress 100; result 0.
#ifndef QORV_OPS_CHECK_OUT_OPERATIONS_H_
#define QORV_OPS_CHECK_OUT_OPERATIONS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "ops/item_result.h"
#include "ops/operation_context.h"
#include "ops/project_walk.h"

namespace qorv::ops {

struct CheckOutOptions {
  std::string comment;
  bool no_local_copy = false;  // DoNotGetLocalCopy
  int32_t writable_handling = 1;
  int32_t eol = 0;
  int32_t set_local_file_time = 0;
};

int32_t CheckoutFiles(const OperationContext& context, const std::vector<WorkingFile>& files,
                      const CheckOutOptions& options, OperationStatus* status,
                      std::vector<ItemResult>* results);

// The walk of the project (kind "Checking out", fixed sub-folders, folders
// created), then the check-out pass.
int32_t CheckoutProject(const OperationContext& context, const std::string& project,
                        const std::string& local_folder, bool recursive,
                        const CheckOutOptions& options, OperationStatus* status,
                        std::vector<ItemResult>* results);

struct UndoOptions {
  int32_t eol = 0;
  int32_t set_local_file_time = 0;
  int32_t local_handling = 0;    // Enum_UndoCheckOutLocalFileHandling
  int32_t changed_handling = 1;  // Enum_UndoCheckOutChangedFileHandling
  bool read_only_if_not_checked_out = false;
};

int32_t UndoFilesCheckout(const OperationContext& context, const std::vector<WorkingFile>& files,
                          const UndoOptions& options, OperationStatus* status,
                          std::vector<ItemResult>* results);

// The walk of the project (kind "Undoing Check out", fixed sub-folders, no
// folders created), then the undo pass.
int32_t UndoProjectCheckout(const OperationContext& context, const std::string& project,
                            const std::string& local_folder, bool recursive,
                            const UndoOptions& options, OperationStatus* status,
                            std::vector<ItemResult>* results);

}  // namespace qorv::ops

#endif  // QORV_OPS_CHECK_OUT_OPERATIONS_H_
