// Check in: command 80 announces the indexes, the bodies are uploaded under
// them, and command 81 commits the files still at 0.
#include <utility>

#include "protocol/file_phase.h"
#include "protocol/multi_step_requests.h"
#include "protocol/request_scope.h"

namespace qorv {
namespace {

constexpr char kLinePrefix[] = "Checking in ";
constexpr char kProgressPrefix[] = "Sending ";
constexpr char kProgressSuffix[] = " to server";

// Gives each file still at 0 the status and text of a failure that
// concerns them all.
void FailPending(std::vector<CheckInRecord>& files, int32_t result, const std::string& text) {
  for (CheckInRecord& file : files) {
    if (file.status != kResultOk) continue;
    file.status = result;
    file.description = text;
  }
}

}  // namespace

int32_t CheckInFiles(CRequestEngine& engine, CheckInRequest& request, RequestStatus* status) {
  RequestScope scope(engine, status);
  if (!scope.ready()) return status->result;
  scope.SetFilePhaseProgress(80, 0);

  CheckInBeginCommand begin;
  begin.line_ending_mode = request.line_ending_mode;
  begin.login_identity = engine.login_identity();
  for (size_t i = 0; i < request.files.size(); ++i) {
    CheckInRecord& file = request.files[i];
    file.index = static_cast<int32_t>(i);
    begin.entries.push_back({file.server_path, file.index});
  }
  scope.Run(begin, status);
  if (scope.runner_failed()) {
    FailPending(request.files, kResultSystemError, kTextThreadErrorCheckingIn);
    return status->result;
  }
  if (status->result != kResultOk) return status->result;

  engine.driver().SetPercentDone(5);
  scope.SetFilePhaseProgress(80, 5);

  TransferList uploads;
  for (CheckInRecord& file : request.files) {
    if (file.status != kResultOk || !file.upload_body) continue;
    uploads.Add(file, kProgressPrefix + file.name + kProgressSuffix);
  }
  uploads.Run(TransferList::Direction::kUpload, engine, scope);
  if (scope.EndIfCanceled(status)) return status->result;
  engine.driver().SetPercentDone(100);

  CheckInCommitCommand commit;
  commit.keep_checked_out = request.keep_checked_out;
  commit.comment = request.comment;
  for (const CheckInRecord& file : request.files) {
    CheckInCommitEntry entry;
    entry.file_path = file.server_path;
    entry.body_uploaded = file.upload_body;
    entry.result = file.status;  // only the entries at 0 are sent
    commit.entries.push_back(std::move(entry));
  }
  const int32_t result = scope.Run(commit, status);
  if (scope.runner_failed()) {
    FailPending(request.files, kResultSystemError, kTextThreadErrorAddingFile);
  } else if (result != kResultOk) {
    // The reply entries came with status 0 only: a refused commit leaves
    // each sent file with the request's failure, not with a status of 0
    // that was never answered.
    FailPending(request.files, result, status->description);
  } else {
    for (size_t i = 0; i < request.files.size(); ++i) {
      CheckInRecord& file = request.files[i];
      if (file.status != kResultOk) continue;
      CheckInCommitEntry& answered = commit.entries[i];
      file.status = answered.result;
      file.description = std::move(answered.description);
      file.new_version = answered.new_version;
      file.date = answered.date;
      file.user_text = std::move(answered.user_text);
      file.file_status = answered.file_status;
    }
  }
  DeliverFileLines(engine.driver(), request.files, kLinePrefix);
  return result;
}

}  // namespace qorv
