// The project walk that the project-wide operations share: it lists the
// files of a server project (and, recursively, of its sub-projects) with the
// local path each one has in the working folder.
//
// 1. Command 3 for the project (recursive when asked): heading "Getting sub
//    items info...", outcome the request's description (success when it
//    succeeded). A failure or cancel ends the walk with its result; on
//    success the reply is merged into the local cache (contents_sync.h),
//    whose failure also ends it.
// 2. With folder creation (get and check out; not check in or undo), the
//    local folder is created with its parents when missing; failure: outcome
//    verb + " " + project + "...: Error creating folder " + folder, and the
//    walk ends with 30007.
// 3. Each file of the project in the cache: server path project + "/" +
//    name and local path folder + "/" + name (no separator doubled).
// 4. Recursive: each sub-project in the cache. A cloaked one is not entered
//    and gets outcome verb + " " + path + "...: The project is cloaked"
//    (failure); the others are walked from step 2 with, as their folder, the
//    parent's folder + "/" + name when fixed sub-folders are asked for, or
//    else the working folder the cache holds for the sub-project (the fixed
//    one when it holds none). The first error ends the walk.
// Names come from the server: a local path is built only from names that
// pass CheckServerSentName (local/path_forms.h); a refused name ends the walk
// with 30027 and its text.
#ifndef QORV_OPS_PROJECT_WALK_H_
#define QORV_OPS_PROJECT_WALK_H_

#include <cstdint>
#include <string>
#include <vector>

#include "ops/operation_context.h"

namespace qorv::ops {

// The operation a walk serves; its verb leads the walk's messages.
enum class OperationKind { kGet, kCheckOut, kCheckIn, kUndoCheckOut };
const char* VerbOf(OperationKind kind);

// A file of the server and its place in the working folder.
struct WorkingFile {
  std::string server_path;
  std::string local_path;
};

struct WalkRequest {
  std::string project;
  std::string local_folder;
  bool recursive = false;
  bool fixed_sub_folders = true;
  OperationKind kind = OperationKind::kGet;
  bool create_folders = true;
};

int32_t WalkProject(const OperationContext& context, const WalkRequest& request,
                    OperationStatus* status, std::vector<WorkingFile>* files);

}  // namespace qorv::ops

#endif  // QORV_OPS_PROJECT_WALK_H_
