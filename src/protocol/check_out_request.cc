// Check out: command 72, the download of the wanted local copies, then the
// confirmation 73 with each file's status after the downloads.
#include <utility>

#include "protocol/file_phase.h"
#include "protocol/multi_step_requests.h"
#include "protocol/request_scope.h"

namespace qorv {
namespace {

constexpr char kLinePrefix[] = "Checking out ";
constexpr char kProgressPrefix[] = "Receiving ";
constexpr char kProgressSuffix[] = " from server to client";

}  // namespace

int32_t CheckOutFiles(CRequestEngine& engine, CheckOutRequest& request, RequestStatus* status) {
  RequestScope scope(engine, status);
  if (!scope.ready()) return status->result;
  scope.SetFilePhaseProgress(80, 0);

  CheckOutCommand command;
  command.comment = request.comment;
  command.line_ending_mode = request.line_ending_mode;
  command.file_time_mode = request.file_time_mode;
  command.login_identity = engine.login_identity();
  for (const CheckOutRecord& file : request.files) {
    command.entries.push_back({file.server_path, file.local_copy_wanted ? 1 : 0});
  }
  if (scope.Run(command, status) != kResultOk) return status->result;
  for (size_t i = 0; i < request.files.size(); ++i) {
    CheckOutRecord& file = request.files[i];
    file.checked_out = std::move(command.reply[i]);
    file.status = file.checked_out.result;
    file.description = file.checked_out.description;
  }

  engine.driver().SetPercentDone(15);
  scope.SetFilePhaseProgress(80, 15);
  DeliverFileLines(engine.driver(), request.files, kLinePrefix);

  TransferList downloads;
  for (CheckOutRecord& file : request.files) {
    if (file.status != kResultOk || !file.local_copy_wanted) continue;
    downloads.Add(file, kProgressPrefix + file.name + kProgressSuffix, file.checked_out.size,
                  file.checked_out.transfer_name);
  }
  downloads.Run(TransferList::Direction::kDownload, engine, scope);
  if (scope.EndIfCanceled(status)) return status->result;
  engine.driver().SetPercentDone(95);

  // The server releases the check-out of every file confirmed with 19000,
  // so no file stays checked out without its local copy.
  CheckOutConfirmationCommand confirmation;
  for (const CheckOutRecord& file : request.files) confirmation.results.push_back(file.status);
  if (scope.Run(confirmation, status) == kResultOk) engine.driver().SetPercentDone(100);
  return status->result;
}

}  // namespace qorv
