// Get files: the command of the request's form (38, 61 or 62), then the
// download of every file the server offers.
#include <utility>

#include "protocol/file_phase.h"
#include "protocol/multi_step_requests.h"
#include "protocol/request_scope.h"

namespace qorv {
namespace {

constexpr char kFailurePrefix[] = "Getting ";
constexpr char kFailureSuffix[] = " from VSS server : ";
constexpr char kProgressPrefix[] = "Getting ";
constexpr char kProgressSuffix[] = " from server to client";

std::vector<std::string> FilePaths(const GetFilesRequest& request) {
  std::vector<std::string> paths;
  paths.reserve(request.files.size());
  for (const GetFileRecord& file : request.files) paths.push_back(file.server_path);
  return paths;
}

// Commands 61 and 62: the fields they share, then the command run. The
// caller has set the point (version or date).
template <class Command>
int32_t RunAtPoint(RequestScope& scope, int32_t login_identity, const GetFilesRequest& request,
                   Command& command, std::vector<OfferedFile>* offered, RequestStatus* status) {
  command.project_path = request.project_path;
  command.recursive = request.recursive;
  command.line_ending_mode = request.line_ending_mode;
  command.file_time_mode = request.file_time_mode;
  command.login_identity = login_identity;
  command.file_paths = FilePaths(request);
  const int32_t result = scope.Run(command, status);
  *offered = std::move(command.reply);
  return result;
}

// Runs the command of the request's form; on 0 *offered holds one entry per
// file.
int32_t RunGetCommand(RequestScope& scope, int32_t login_identity, const GetFilesRequest& request,
                      std::vector<OfferedFile>* offered, RequestStatus* status) {
  int32_t result = kResultOk;
  switch (request.form) {
    case GetFilesForm::kCurrent: {
      GetFilesCommand command;
      command.line_ending_mode = request.line_ending_mode;
      command.file_time_mode = request.file_time_mode;
      command.login_identity = login_identity;
      for (const GetFileRecord& file : request.files) {
        command.entries.push_back({file.server_path, file.version});
      }
      result = scope.Run(command, status);
      *offered = std::move(command.reply);
      break;
    }
    case GetFilesForm::kAtVersion: {
      GetFilesAtVersionCommand command;
      command.version = request.project_version;
      result = RunAtPoint(scope, login_identity, request, command, offered, status);
      break;
    }
    case GetFilesForm::kAtDate: {
      GetFilesAtDateCommand command;
      command.date = request.date;
      result = RunAtPoint(scope, login_identity, request, command, offered, status);
      break;
    }
  }
  return result;
}

}  // namespace

int32_t GetFiles(CRequestEngine& engine, GetFilesRequest& request, RequestStatus* status) {
  RequestScope scope(engine, status);
  if (!scope.ready()) return status->result;
  scope.SetFilePhaseProgress(80, 0);

  std::vector<OfferedFile> offered;
  if (RunGetCommand(scope, engine.login_identity(), request, &offered, status) != kResultOk) {
    return status->result;
  }
  const TransferSettings& settings = engine.transfer_settings();
  for (size_t i = 0; i < request.files.size(); ++i) {
    GetFileRecord& file = request.files[i];
    file.offered = std::move(offered[i]);
    file.offered.check_in_time = ShiftByServerOffset(file.offered.check_in_time, settings);
    file.offered.modification_time = ShiftByServerOffset(file.offered.modification_time, settings);
    file.status = file.offered.result;
    file.description = file.offered.description;
  }

  engine.driver().SetPercentDone(20);
  scope.SetFilePhaseProgress(80, 20);

  std::vector<ReportLine> failures;
  TransferList downloads;
  for (GetFileRecord& file : request.files) {
    if (file.status != kResultOk) {
      failures.push_back({0, kFailurePrefix + file.name + kFailureSuffix + file.description});
      continue;
    }
    downloads.Add(file, kProgressPrefix + file.name + kProgressSuffix, file.offered.size,
                  file.offered.transfer_name);
  }
  if (!failures.empty()) engine.driver().DeliverReportLines(std::move(failures));

  downloads.Run(TransferList::Direction::kDownload, engine, scope);
  if (scope.EndIfCanceled(status)) return status->result;
  engine.driver().SetPercentDone(100);
  return status->result;
}

}  // namespace qorv
