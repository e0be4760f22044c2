// Add files: the bodies are uploaded first under their indexes, then
// command 40 creates the files whose body arrived.
#include <utility>

#include "protocol/file_phase.h"
#include "protocol/multi_step_requests.h"
#include "protocol/request_scope.h"

namespace qorv {
namespace {

constexpr char kProgressPrefix[] = "Sending ";
constexpr char kProgressSuffix[] = " to server";
constexpr char kLinePrefix[] = "Adding ";
// Each file of command 40 until its reply entry replaces it: what a file
// keeps when the command fails as a whole.
constexpr int32_t kNotAnsweredResult = 1;
constexpr char kNotAnsweredText[] = "Error occured";

}  // namespace

int32_t AddFiles(CRequestEngine& engine, AddFilesRequest& request, RequestStatus* status) {
  RequestScope scope(engine, status);
  if (!scope.ready()) return status->result;
  scope.SetFilePhaseProgress(90, 0);

  TransferList uploads;
  for (AddFileRecord& file : request.files) {
    if (file.status != kResultOk) continue;
    uploads.Add(file, kProgressPrefix + file.name + kProgressSuffix);
  }
  uploads.Run(TransferList::Direction::kUpload, engine, scope);
  if (scope.EndIfCanceled(status)) return status->result;
  engine.driver().SetPercentDone(100);

  AddFilesCommand command;
  command.comment = request.comment;
  command.line_ending_mode = request.line_ending_mode;
  command.login_identity = engine.login_identity();
  std::vector<AddFileRecord*> sent;
  for (AddFileRecord& file : request.files) {
    if (file.status != kResultOk) continue;
    command.entries.push_back(
        {file.index, file.server_path, file.file_type, file.store_latest_only});
    file.status = kNotAnsweredResult;
    file.description = kNotAnsweredText;
    sent.push_back(&file);
  }
  const int32_t result = scope.Run(command, status);
  if (scope.runner_failed()) {
    for (AddFileRecord* file : sent) {
      file->status = kResultSystemError;
      file->description = kTextThreadErrorAddingFile;
    }
  } else if (result == kResultOk) {
    const TransferSettings& settings = engine.transfer_settings();
    for (size_t i = 0; i < sent.size(); ++i) {
      AddedFile& added = command.reply[i];
      sent[i]->status = added.result;
      sent[i]->description = std::move(added.description);
      sent[i]->date = ShiftByServerOffset(added.date, settings);
    }
  }
  DeliverFileLines(engine.driver(), request.files, kLinePrefix);
  return result;
}

}  // namespace qorv
