// The multi-step requests of the request engine: get files (38, or 61 at a
// project version, or 62 at a date), add files (uploads, then 40), check
// out (72, downloads, then the confirmation 73) and check in (80, uploads,
// then 81). Each runs inside one RequestScope: the busy flag is held from
// its start to its end, the file phase maps the transfer manager's progress
// into its span of percent done, and a cancel between the steps ends it
// with 12007 "Canceled" after closing every connection.
//
// The operations fill one record per file, run the request, and read each
// record back: its status and description, and the command's reply fields.
// A request returns its result (also in status->result); per-file failures
// do not change it. A request that ends early (refused, canceled, or not
// started) leaves the files it did not reach as they were.
#ifndef QORV_PROTOCOL_MULTI_STEP_REQUESTS_H_
#define QORV_PROTOCOL_MULTI_STEP_REQUESTS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/file_commands.h"
#include "protocol/request_engine.h"

namespace qorv {

// What every multi-step request knows of one file.
struct RequestFile {
  // In.
  std::string local_file_name;  // full path of the local file
  std::string name;             // the file's name in report texts
  int32_t index = 0;            // position in the operation's list; the transfer entry's index
  std::string server_path;      // the file's path in the command
  // Out: 0; the server's result; 19000 when its body could not be moved;
  // 12008 when the command that carries it could not be run. Add and check
  // in also read it: a file that enters with a nonzero status is left out
  // of the request and keeps its status and description.
  int32_t status = kResultOk;
  std::string description;
};

// ---- Get files (38, 61, 62) -----------------------------------------------

enum class GetFilesForm {
  kCurrent,    // 38: each file at its own version (0: the one the project shows)
  kAtVersion,  // 61: the project at a version
  kAtDate,     // 62: the project at a date (a label's)
};

struct GetFileRecord : RequestFile {
  int32_t version = 0;  // 38 only
  // Out: the reply's fields; both dates shifted by the server time offset.
  OfferedFile offered;
};

struct GetFilesRequest {
  GetFilesForm form = GetFilesForm::kCurrent;
  std::string project_path;     // 61, 62
  int32_t project_version = 0;  // 61
  double date = 0;              // 62, sent as it is
  bool recursive = false;       // 61, 62
  int32_t line_ending_mode = 0;
  int32_t file_time_mode = 0;
  std::vector<GetFileRecord> files;
};

// ---- Add files (uploads, then 40) ----------------------------------------

struct AddFileRecord : RequestFile {
  int32_t file_type = 0;  // Enum_FileType
  bool store_latest_only = false;
  // Out: the check-in time of version 1, shifted by the server time offset.
  double date = 0;
};

struct AddFilesRequest {
  std::string comment;
  int32_t line_ending_mode = 0;
  std::vector<AddFileRecord> files;
};

// ---- Check out (72, downloads, 73) ---------------------------------------

struct CheckOutRecord : RequestFile {
  bool local_copy_wanted = false;  // the body is downloaded to local_file_name
  // Out: the reply's fields.
  CheckedOutFile checked_out;
};

struct CheckOutRequest {
  std::string comment;
  int32_t line_ending_mode = 0;
  int32_t file_time_mode = 0;
  std::vector<CheckOutRecord> files;
};

// ---- Check in (80, uploads, 81) ------------------------------------------

struct CheckInRecord : RequestFile {
  // The local content goes to the server; otherwise the new version is made
  // from the file's current content on the server.
  bool upload_body = false;
  // Out: the reply's fields.
  int32_t new_version = 0;
  double date = 0;
  std::string user_text;
  int32_t file_status = 0;
};

struct CheckInRequest {
  int32_t line_ending_mode = 0;
  bool keep_checked_out = false;
  std::string comment;
  // The request numbers the files by their position (index is overwritten),
  // since 80 and 81 carry that position.
  std::vector<CheckInRecord> files;
};

// Runs the command of `request.form`; downloads every file the server
// offers; failure lines "Getting <name> from VSS server : <description>".
int32_t GetFiles(CRequestEngine& engine, GetFilesRequest& request, RequestStatus* status);

// Uploads the files, then sends 40 with those uploaded; one line per file
// "Adding <name> : <description>".
int32_t AddFiles(CRequestEngine& engine, AddFilesRequest& request, RequestStatus* status);

// Sends 72; one line per file "Checking out <name> : <description>";
// downloads the wanted local copies; confirms each file's status with 73.
int32_t CheckOutFiles(CRequestEngine& engine, CheckOutRequest& request, RequestStatus* status);

// Sends 80; uploads the bodies; sends 81 with the files still at 0; one
// line per file "Checking in <name> : <description>".
int32_t CheckInFiles(CRequestEngine& engine, CheckInRequest& request, RequestStatus* status);

}  // namespace qorv

#endif  // QORV_PROTOCOL_MULTI_STEP_REQUESTS_H_
