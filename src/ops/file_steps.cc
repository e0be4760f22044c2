#include "ops/file_steps.h"

#include <algorithm>
#include <utility>

#include "local/qor_exception.h"
#include "local/working_folder.h"
#include "ops/merge_tool.h"
#include "ops/report_texts.h"
#include "platform/environment.h"
#include "protocol/multi_step_requests.h"

namespace qorv::ops {

int32_t QueryServerStates(const OperationContext& context, const std::vector<StateQuery>& files,
                          int32_t eol, int32_t progress_low, int32_t progress_high,
                          OperationStatus* status, std::vector<ServerFileState>* states) {
  states->clear();
  if (files.empty()) return kResultOk;
  states->reserve(files.size());
  context.driver.Report(kReportCommonInfo, "", true);
  for (size_t start = 0; start < files.size(); start += kFilesPerRequest) {
    const size_t end = std::min(files.size(), start + kFilesPerRequest);
    FileStatusCommand command;
    command.line_ending_mode = eol;
    command.entries.reserve(end - start);
    for (size_t i = start; i < end; ++i) {
      command.entries.push_back({files[i].server_path, files[i].version, true});
    }
    const int32_t result = context.Run(command, status);
    if (result != kResultOk) return result;
    if (status->canceled) return kResultRequestCanceled;
    for (FileStatusResult& reply : command.reply) {
      ServerFileState state;
      state.result = reply.result;
      state.description = std::move(reply.description);
      state.version = reply.version;
      state.digest = reply.digest;
      state.checked_out_by_user = reply.checked_out_by_you;
      states->push_back(std::move(state));
    }
    context.driver.SetPercentDone(
        progress_low + static_cast<int32_t>((progress_high - progress_low) * end / files.size()));
  }
  if (!status->description.empty()) context.driver.Report("", status->description, true);
  return kResultOk;
}

int32_t QueryCheckOutRecords(const OperationContext& context,
                             const std::vector<std::string>& server_paths, OperationStatus* status,
                             std::vector<CheckOutStateResult>* records) {
  records->clear();
  records->reserve(server_paths.size());
  for (size_t start = 0; start < server_paths.size(); start += kFilesPerRequest) {
    const size_t end = std::min(server_paths.size(), start + kFilesPerRequest);
    CheckOutStateCommand command;
    command.file_paths.assign(server_paths.begin() + static_cast<ptrdiff_t>(start),
                              server_paths.begin() + static_cast<ptrdiff_t>(end));
    const int32_t result = context.Run(command, status);
    if (result != kResultOk) return result;
    if (status->canceled) return kResultRequestCanceled;
    records->insert(records->end(), command.reply.begin(), command.reply.end());
  }
  return kResultOk;
}

int32_t PromptHandling::Decide(std::string_view information, bool three_way_merge) {
  if (handling_ != ask_value_) return handling_;
  const PromptAnswer answer = kind_ == PromptKind::kWritableFile
                                  ? driver_.AskWritableFile(information, three_way_merge)
                                  : driver_.Ask(kind_, information);
  if (answer.apply_to_all) handling_ = answer.answer;
  return answer.answer;
}

int32_t EndOnRequest(OperationDriver& driver, int32_t result, const OperationStatus& status,
                     std::string_view prefix) {
  driver.SetPercentDone(100);
  driver.Report("", std::string(prefix) + status.description, false);
  return result != kResultOk ? result : kResultRequestCanceled;
}

int32_t EndOnPromptCancel(OperationDriver& driver, OperationStatus* status) {
  driver.SetPercentDone(100);
  status->canceled = true;
  status->description = kTextCanceled;
  return kResultPromptCanceled;
}

int32_t EndOnCache(OperationDriver& driver, int32_t result, const std::string& description,
                   OperationStatus* status) {
  status->description = description;
  driver.Report("", description, false);
  driver.SetPercentDone(100);
  return result;
}

std::string OperationTempFolder(const OperationDriver& driver) {
  if (!driver.temp_directory().empty()) return driver.temp_directory();
  return platform::GetEnvironmentVariable("TMPDIR").value_or("/tmp");
}

int32_t MergeWithServer(const OperationContext& context, const ServerMerge& merge,
                        std::string* description, bool* request_failed) {
  *request_failed = false;
  const std::string temp_folder = OperationTempFolder(context.driver);
  const std::string theirs = TemporaryFileName(temp_folder, kMergeTheirsTag + merge.temp_number);
  const std::string base = TemporaryFileName(temp_folder, kMergeBaseTag + merge.temp_number);
  GetFilesRequest request;
  request.line_ending_mode = merge.eol;
  request.file_time_mode = merge.set_local_file_time;
  for (const auto& [path, version] :
       {std::pair{&theirs, merge.current_version}, std::pair{&base, merge.base_version}}) {
    GetFileRecord file;
    file.local_file_name = *path;
    file.name = merge.server_path;
    file.index = static_cast<int32_t>(request.files.size());
    file.server_path = merge.server_path;
    file.version = version;
    request.files.push_back(std::move(file));
  }
  RequestStatus fetched;
  int32_t result = GetFiles(context.engine, request, &fetched);
  if (result != kResultOk || fetched.canceled) {
    *request_failed = true;
    *description = fetched.description;
    if (result == kResultOk) result = kResultRequestCanceled;
  } else {
    for (const GetFileRecord& file : request.files) {
      if (file.status == kResultOk) continue;
      result = file.status;
      *description = file.description;
      break;
    }
  }
  if (result == kResultOk) {
    MergeInputs inputs;
    inputs.tool = merge.tool;
    inputs.argument_template = merge.arguments;
    inputs.base_file = base;
    inputs.theirs_file = theirs;
    inputs.yours_file = merge.local_path;
    inputs.result_file = merge.local_path;
    inputs.first_label = kMergeLabelFilePrefix + merge.server_path + kMergeLabelVersionInfix +
                         std::to_string(merge.current_version);
    inputs.second_label = kMergeLabelFilePrefix + merge.local_path;
    result = RunMergeTool(inputs, temp_folder, description);
  }
  DeleteLocalFile(theirs);
  DeleteLocalFile(base);
  return result;
}

bool RecordLocalCopy(CacheModel& model, const std::string& server_path,
                     const std::string& local_path, int32_t version, CacheDate file_time) {
  CacheFileEntry* entry = model.FindFile(server_path);
  if (entry == nullptr) entry = model.PutFile(server_path, CacheFileEntry{});
  if (entry == nullptr) return false;
  entry->SetLocalCopy(local_path, version, file_time);
  return true;
}

std::string RecordCurrentLocalCopy(CacheModel& model, const std::string& server_path,
                                   const std::string& local_path, int32_t version) {
  try {
    if (RecordLocalCopy(model, server_path, local_path, version,
                        CacheDate::Valid(LastWriteDate(local_path)))) {
      return {};
    }
    return kTextCacheRecordNotSetPrefix + server_path;
  } catch (const CQORException& error) {
    return error.message();
  }
}

}  // namespace qorv::ops
