// Check in, for a list of files and for a project (whose list comes from the
// project walk, project_walk.h). Reports and progress follow the get.
//
// Check-in pass:
//  An empty list: result 0, "Completed", heading "Checking in files...: "
//  with outcome "Completed".
//  1. A missing local file fails with 30004 ("<local> not found"), a
//     directory with 30012 ("a folder with the name <local> already
//     exists").
//  2. The server state (67, progress 5 to 10), then the check-out records
//     (68) of the files; a failure or cancel ends the operation. Progress
//     10, sub-range 10 to 15.
//  3. Per file: a state with an error fails it; a file the user has not
//     checked out fails with 30019 ("<path> has not been checked out by
//     you"); a file checked out at a version older than the server's is
//     first merged with the two versions (file_steps.h; temporaries
//     numbered by the file's position); a failed merge skips the file, which
//     stays checked out with the local file as the user had it. Then the
//     local MD5 against the server's: a changed file is checked in; an
//     unchanged one asks the unchanged-file question ("File <local> has not
//     been changed.\nDo you want to create a new version of the file on
//     server?" with Ask): Checkin sends it anyway; UndoCheckout keeps it
//     checked out (made writable) with KeepCheckout, else releases its
//     check-out (and with RemoveLocalCopy deletes the local copy once the
//     release succeeded); Canceled stops the operation with 30016.
//  4. Progress 15: the releases (43), progress 15 to 45; failure: outcome
//     "Undoing check out files ... : <description>", the operation ends.
//  5. Progress 45 to 100: the check-in requests (80, uploads, 81) of at most
//     500 files; failure: outcome "Checking in files ... : <description>",
//     the operation ends. A file whose upload or commit failed is left as
//     it was, local file and check-out alike.
//  6. The cache updated (30025).
//  7. Released files: their attribute follows ReadOnlyIfNotCheckedout; the
//     cache records them as no longer checked out (with their last-write
//     time unless the copy was removed).
//  8. Checked-in files: with KeepCheckout still writable; else with
//     RemoveLocalCopy deleted; else their attribute follows
//     ReadOnlyIfNotCheckedout. The cache takes the new version and the
//     last-write time.
//  9. The cache saved (30026); progress 100; result 0.
#ifndef QORV_OPS_CHECK_IN_OPERATIONS_H_
#define QORV_OPS_CHECK_IN_OPERATIONS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "ops/item_result.h"
#include "ops/operation_context.h"
#include "ops/project_walk.h"

namespace qorv::ops {

struct CheckInOptions {
  bool keep_checked_out = false;
  std::string comment;
  int32_t eol = 0;
  int32_t set_local_file_time = 0;
  int32_t unchanged_handling = 1;  // Enum_CheckinUnchangedFileHandling
  bool read_only_if_not_checked_out = false;
  bool remove_local_copy = false;
  std::string merge_tool;
  std::string merge_arguments;
};

int32_t CheckInFiles(const OperationContext& context, const std::vector<WorkingFile>& files,
                     const CheckInOptions& options, OperationStatus* status,
                     std::vector<ItemResult>* results);

// The walk of the project (kind "Checking in", fixed sub-folders, no folders
// created), then the check-in pass.
int32_t CheckInProject(const OperationContext& context, const std::string& project,
                       const std::string& local_folder, bool recursive,
                       const CheckInOptions& options, OperationStatus* status,
                       std::vector<ItemResult>* results);

}  // namespace qorv::ops

#endif  // QORV_OPS_CHECK_IN_OPERATIONS_H_
