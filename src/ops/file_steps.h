// Steps that the file operations (get, check out, undo check out, check in)
// share: the server's state of files (command 67) and the user's check-out
// records (command 68) in requests of at most 500 files, a prompt answered
// per file or for all, a merge of the local file with two server versions,
// and recording a local copy in the cache.
#ifndef QORV_OPS_FILE_STEPS_H_
#define QORV_OPS_FILE_STEPS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "local/cache_model.h"
#include "ops/operation_context.h"
#include "protocol/command_base.h"
#include "protocol/query_commands.h"

namespace qorv::ops {

// Requests of the file operations carry at most this many files.
inline constexpr size_t kFilesPerRequest = 500;

// The server's state of one file: from command 67, or from a dated listing.
struct ServerFileState {
  int32_t result = kResultOk;
  std::string description;
  int32_t version = 0;
  Digest digest{};
  bool checked_out_by_user = false;
};

struct StateQuery {
  std::string server_path;
  int32_t version = 0;  // 0: the current one
};

// Command 67 with `eol` for the files, in requests of 500; percent done
// moves from `progress_low` to `progress_high` over them. Heading "Getting
// files common info..." before the first request, its description (when
// not empty) after the last. On a failure or cancel: *states is incomplete,
// and the result (12007 for a cancel of a request that succeeded) is
// returned with the status filled; the caller reports it.
int32_t QueryServerStates(const OperationContext& context, const std::vector<StateQuery>& files,
                          int32_t eol, int32_t progress_low, int32_t progress_high,
                          OperationStatus* status, std::vector<ServerFileState>* states);

// Command 68 for the files, in requests of 500; one record per path.
int32_t QueryCheckOutRecords(const OperationContext& context,
                             const std::vector<std::string>& server_paths, OperationStatus* status,
                             std::vector<CheckOutStateResult>* records);

// A prompt's handling during one operation: the value the caller passed,
// replaced for the rest of the operation by an answer given for all.
// Decide() returns the handling itself unless it is `ask_value`; then it
// raises the prompt and returns the answer (the driver maps values the
// prompt does not offer to 0, cancel).
class PromptHandling {
 public:
  PromptHandling(OperationDriver& driver, PromptKind kind, int32_t handling, int32_t ask_value)
      : driver_(driver), kind_(kind), handling_(handling), ask_value_(ask_value) {}

  int32_t Decide(std::string_view information, bool three_way_merge = false);

 private:
  OperationDriver& driver_;
  PromptKind kind_;
  int32_t handling_;
  int32_t ask_value_;
};

// What a merge of the local file with two versions of its server file needs.
struct ServerMerge {
  std::string server_path;
  std::string local_path;
  int32_t current_version = 0;  // the theirs side
  int32_t base_version = 0;     // the version the user checked out
  std::string temp_number;      // fills "CheckinMergeFile1%d" and "CheckinMergeFile2%d"
  int32_t eol = 0;
  int32_t set_local_file_time = 0;
  std::string tool;
  std::string arguments;
};

// The two versions fetched (one command 38) into temporaries in the
// operation's temporary folder, the merge tool run with base = the base
// version, theirs = the current one, yours = result = the local file, then
// both temporaries deleted whatever happened. A fetch that fails as a whole
// sets *request_failed; a version that could not be delivered gives its
// own result; a failed merge the tool's (the local file then stays as it
// was, merge_tool.h).
int32_t MergeWithServer(const OperationContext& context, const ServerMerge& merge,
                        std::string* description, bool* request_failed);

// ---- Endings the file operations share ----

// A request that failed or was canceled ends the operation: percent done
// 100, the outcome prefix + description (failure); returns the request's
// result, or 12007 for a request canceled after it succeeded.
int32_t EndOnRequest(OperationDriver& driver, int32_t result, const OperationStatus& status,
                     std::string_view prefix);

// A prompt answered Cancel (or with a value it does not offer) ends the
// operation: percent done 100, Canceled, "Canceled", 30016.
int32_t EndOnPromptCancel(OperationDriver& driver, OperationStatus* status);

// The local cache could not be updated (30025) or saved (30026): the text
// as description and outcome (failure), percent done 100, `result`.
int32_t EndOnCache(OperationDriver& driver, int32_t result, const std::string& description,
                   OperationStatus* status);

// The folder the operation's temporary files go to: the one given to
// SetTempDirectory, else $TMPDIR, else /tmp.
std::string OperationTempFolder(const OperationDriver& driver);

// Adds or updates the local copy of the file's cache entry (the entry is
// made when missing); false when the path cannot be an entry.
bool RecordLocalCopy(CacheModel& model, const std::string& server_path,
                     const std::string& local_path, int32_t version, CacheDate file_time);

// RecordLocalCopy with the local file's current last-write time. Empty on
// success; otherwise why the copy could not be recorded (the file's time
// could not be read, or the path cannot be an entry).
std::string RecordCurrentLocalCopy(CacheModel& model, const std::string& server_path,
                                   const std::string& local_path, int32_t version);

}  // namespace qorv::ops

#endif  // QORV_OPS_FILE_STEPS_H_
