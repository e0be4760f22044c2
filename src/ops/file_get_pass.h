// The file-get pass: the core of every get, and of check out and undo check
// out when they bring down local copies. For a list of server files and the
// local path of each it decides file by file whether the local copy must be
// replaced, asks the caller about writable local copies, merges on request,
// fetches what is needed in requests of at most 500 files, finishes each
// local file (read-only attribute, file time) and records it in the local
// cache.
//
// 1. An empty list ends the pass at once: result 0, description
//    "Completed", heading "Getting files...: " with outcome "Completed".
//    Otherwise progress 5, sub-range 5 to 15.
// 2. An item whose local path is a directory fails with 30012, outcome
//    "Getting <server path>...: A directory with the name <path> already
//    exists" ("A folder with the name" in the dated gets).
// 3. The server's state of the remaining items (command 67 with the line
//    ending, in requests of 500; progress 5 to 15), unless the items came
//    with it (the dated gets take it from their listing). Heading "Getting
//    files common info..." before the first request, its description after
//    the last. A failed or canceled request: progress 100, outcome "Getting
//    files ... : <description>", the pass ends with that result.
// 4. For the items the user has checked out, their check-out records
//    (command 68); failure: progress 100, outcome "Getting files... :
//    <description>", the pass ends.
// 5. Per item in list order (a cancel between items ends the pass with
//    12007): a state with an error fails the item with that code, outcome
//    "Getting <server path> ...: <description>"; no local file: fetched; a
//    local file with the server's MD5: not fetched, but made read-only or
//    writable at once (writable with MakeWritable or when the user has it
//    checked out) and confirmed; a differing read-only file: fetched; a
//    differing writable one: the writable-file decision (below). Before an
//    item is fetched its folder is created with its parents; failure:
//    heading "Getting <server path> file...", outcome "Failed to create
//    Folder <folder>" ("Failed to create folder" in the dated gets).
// 6. Progress 15, sub-range 15 to 90: the fetch list in requests of 500
//    (command 38, or 61/62 in the dated gets). A failed or canceled request:
//    progress 100, outcome "Getting files ... : <description>", the pass
//    ends. Per-file failures come from the transfer with their own lines.
// 7. Progress 90. Nothing fetched or confirmed: no cache work. Otherwise the
//    cache is locked and reloaded; failure: 30025 with "Failed to update
//    cache file. Please try again later" as outcome, the pass ends.
// 8. Each confirmed file is recorded (local path, version, last-write
//    time). Each fetched file is made read-only or writable as in step 5,
//    gets its file time (SetLocalFileTime: 0 now, 2 its check-in time, any
//    other value its modification time) and is recorded. In the dated gets
//    each folder's binding file is brought up to date for the files put
//    there (binding_file.h).
// 9. The cache is saved and released; failure: 30026 with its text.
// 10. Progress 100; result 0 with the description of the last request. No
//    closing report.
//
// Writable-file decision: with handling Ask the prompt
// PromptLeaveOrReplaceWriteableFile is raised ("<local path> is checked
// out, replace?" with three-way merge offered when the user has the file
// checked out, else "Your working folder contains a writable copy of
// <local path>."). Replace fetches, Skip leaves the file; the answer holds
// for the following files only with apply-to-all. Merge for a checked-out
// file whose server version is newer than the one checked out fetches both
// versions into temporary files and runs the merge tool (merge_tool.h); a
// successful merge records the local file as based on the current version,
// a failed one fails the item with outcome "Getting <server path> ... :
// <description>"; the file is never fetched then. Merge for a file not
// checked out, or without a newer version, leaves it. Canceled or any other
// answer: progress 100, "Canceled", 30016, the pass ends.
//
// Sound behaviour beyond the steps above: a fetched or confirmed file whose
// read-only attribute, file time or cache record cannot be set is not
// finished, and its item fails with a line that says why; it is never
// reported as done.
//
// Item results: one per item, in list order, named by the server path.
#ifndef QORV_OPS_FILE_GET_PASS_H_
#define QORV_OPS_FILE_GET_PASS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ops/file_steps.h"
#include "ops/item_result.h"
#include "ops/operation_context.h"
#include "protocol/multi_step_requests.h"
#include "qorvsdk/enums.h"

namespace qorv::ops {

// The arguments every get shares.
struct GetOptions {
  bool make_writable = false;
  int32_t writable_handling = Enum_WritableFileHandlingAsk;
  int32_t eol = 0;                  // Enum_EOL, sent with every request
  int32_t set_local_file_time = 0;  // Enum_SetLocalFileTime
  std::string merge_tool;
  std::string merge_arguments;  // the three-way or two-way template
};

struct PassItem {
  std::string server_path;
  std::string local_path;
  int32_t version = 0;  // the version asked for; 0: the current one
  // Known before the pass (the dated gets); step 3 asks for the others.
  std::optional<ServerFileState> state;
};

struct FileGetPass {
  GetOptions options;
  std::vector<PassItem> items;
  // Where the bodies come from: each item at its version (38), or the
  // project at a version (61) or a date (62): the dated gets, whose texts,
  // binding files and closing differ as described above.
  GetFilesForm form = GetFilesForm::kCurrent;
  std::string project_path;
  int32_t project_version = 0;
  double date = 0;
  bool recursive = false;

  bool dated() const { return form != GetFilesForm::kCurrent; }
};

int32_t RunFileGetPass(const OperationContext& context, FileGetPass& pass, OperationStatus* status,
                       std::vector<ItemResult>* results);

}  // namespace qorv::ops

#endif  // QORV_OPS_FILE_GET_PASS_H_
