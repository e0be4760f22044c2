// Adding local files as new files of server projects (AddFiles), and a
// whole local folder as a project (AddFolder). Reports and progress follow
// the get (file_get_pass.h).
//
// Add pass:
//  An empty list: result 0, "Completed", heading "Adding files...: " with
//  outcome "Completed".
//  1. Progress 5. Per file (heading "Adding <local>..."): a local name of
//     260 characters or more fails with 30005, a missing file with 30004
//     ("<local> not found"), a directory with 30012 ("A directory with the
//     name <local> already exists. The file can not be added"), and a
//     target name the server could not hold as an item name (empty, "." or
//     "..", a separator, a control byte, one of :*?"<>| or a leading "$")
//     with 30027, before anything is sent.
//  2. Command 66 for the target names (requests of 500); failure: progress
//     100, outcome "Adding files... :<description>", the operation ends.
//  3. Progress 10. Per file: a deleted copy of that name asks the
//     deleted-copy question ("A deleted copy of this <path> file already
//     exists in this project.\r\nDo you want to recover the existing
//     file?" with AskAdd): Purge purges the copy and then adds the file,
//     Recover brings the copy back instead of adding, Cancel stops the
//     operation with 30016; a live item of that name fails with 30011, a
//     refused type with 30018; the others are added.
//  4. Progress 15: the purges (32); failure: heading "Purging files...",
//     the operation ends. Each purged copy is reported ("Purging <path>...")
//     and its file added.
//  5. Progress 25: the recoveries (7); failure: heading "Recovering
//     files...", the operation ends; then the server state of the recovered
//     files (67, progress 25 to 35), each reported ("Recovering <path>...")
//     and entered in the cache.
//  6. Progress 35: the add requests (uploads, then 40) of at most 500 files,
//     progress 35 to 95; failure: progress 100, outcome "Adding files... :
//     <description>", the operation ends. A file that changes or disappears
//     while it is read fails alone; no partial body is stored.
//  7. Progress 95: the cache updated; each added file enters the cache with
//     its local copy (version 1, its last-write time), and is made read-only
//     with ReadOnlyIfNotCheckedout.
//  8. The cache saved; progress 100; result 0.
//
// AddFolder: the local folder must exist (30003 "Local folder not found",
// outcome "Adding Folder ... : Local folder not found"); the project is
// ProjectName + "/" + the folder's own name; the folder's files (sorted by
// name) and, with `recursive`, its sub-folders as sub-projects, are
// collected; the projects are created parents first (the first failure
// ends the operation); then the add pass with one file type for all and
// deleted copies purged without asking. Symbolic links to folders are not
// followed; a sub-folder whose name the server could not hold is reported
// and left out with what is below it.
#ifndef QORV_OPS_ADD_OPERATIONS_H_
#define QORV_OPS_ADD_OPERATIONS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "ops/item_result.h"
#include "ops/operation_context.h"

namespace qorv::ops {

struct FileToAdd {
  std::string local_path;
  std::string server_path;  // the full path of the new file
  int32_t file_type = 0;    // Enum_FileType
};

struct AddOptions {
  bool read_only_if_not_checked_out = false;
  bool store_only_latest = false;
  int32_t eol = 0;
  int32_t deleted_copy_handling = 1;  // Enum_AddFileDeletedCopyHandling
  std::string comment;
};

int32_t AddFiles(const OperationContext& context, const std::vector<FileToAdd>& files,
                 const AddOptions& options, OperationStatus* status,
                 std::vector<ItemResult>* results);

int32_t AddFolder(const OperationContext& context, const std::string& project,
                  const std::string& local_folder, bool recursive, int32_t file_type,
                  const AddOptions& options, OperationStatus* status,
                  std::vector<ItemResult>* results);

// Whether a name can be an item name on the server; when it cannot,
// *description says why.
bool IsStorableItemName(std::string_view name, std::string* description);

}  // namespace qorv::ops

#endif  // QORV_OPS_ADD_OPERATIONS_H_
