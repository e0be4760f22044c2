#include "ops/plain_queries.h"

#include <utility>

#include "ops/report_texts.h"

namespace qorv::ops {
namespace {

// Steps 1 to 5 of a plain query around `command`, whose request fields are
// filled; `take` hands the reply fields on, and runs only when the result
// is 0.
template <class Command, class Take>
int32_t RunPlainQuery(const OperationContext& context, const std::string& progress,
                      OperationStatus* status, Command& command, Take&& take) {
  context.BeginOperation();
  context.driver.Report("", progress, true);
  const int32_t result = context.Run(command, status);
  if (result == kResultOk) take();
  context.driver.Report("", status->description, result == kResultOk);
  return result;
}

std::string GeneralInfoProgress(const std::string& path) {
  return kReportGettingPrefix + path + kReportGeneralInfoSuffix;
}

std::string HistoryProgress(const std::string& path) {
  return kReportHistoryPrefix + path + kReportHistorySuffix;
}

}  // namespace

int32_t GetProjectGeneralInfo(const OperationContext& context, const std::string& project_path,
                              OperationStatus* status, std::optional<ProjectGeneralInfo>* info) {
  ProjectGeneralInfoCommand command;
  command.project_path = project_path;
  return RunPlainQuery(context, GeneralInfoProgress(project_path), status, command,
                       [&] { *info = std::move(command.reply); });
}

int32_t GetFileGeneralInfo(const OperationContext& context, const std::string& file_path,
                           OperationStatus* status, std::optional<FileGeneralInfo>* info) {
  FileGeneralInfoCommand command;
  command.file_path = file_path;
  return RunPlainQuery(context, GeneralInfoProgress(file_path), status, command,
                       [&] { *info = std::move(command.reply); });
}

int32_t GetFileCountInProject(const OperationContext& context, const std::string& project_path,
                              OperationStatus* status, std::optional<int32_t>* file_count) {
  FileCountCommand command;
  command.project_path = project_path;
  const int32_t result = context.Run(command, status);
  if (result == kResultOk) *file_count = command.reply;
  return result;
}

int32_t IsProjectExistingOnServer(const OperationContext& context, const std::string& project_path,
                                  OperationStatus* status, bool* exists) {
  ProjectExistsCommand command;
  command.project_path = project_path;
  return RunPlainQuery(context, kReportQueryingPrefix + project_path + kReportInfoSuffix, status,
                       command, [&] { *exists = command.reply; });
}

int32_t GetDatabaseAlias(const OperationContext& context, OperationStatus* status,
                         std::vector<std::string>* aliases) {
  DatabaseAliasesCommand command;
  return RunPlainQuery(context, kReportDatabaseAlias, status, command,
                       [&] { *aliases = std::move(command.reply); });
}

int32_t GetProjectHistory(const OperationContext& context, const std::string& project_path,
                          bool include_file_history, bool recursive, const HistoryFilter& filter,
                          OperationStatus* status, std::vector<ProjectHistoryEntry>* entries) {
  ProjectHistoryCommand command;
  command.project_path = project_path;
  command.include_file_history = include_file_history;
  command.recursive = recursive;
  command.user_name = filter.user_name;
  command.from = filter.date_from;
  command.to = filter.date_to;
  return RunPlainQuery(context, HistoryProgress(project_path), status, command,
                       [&] { *entries = std::move(command.reply); });
}

int32_t GetFileHistory(const OperationContext& context, const std::string& file_path,
                       const HistoryFilter& filter, OperationStatus* status,
                       FileHistoryCommand::Reply* history) {
  FileHistoryCommand command;
  command.file_path = file_path;
  command.user_name = filter.user_name;
  command.from = filter.date_from;
  command.to = filter.date_to;
  return RunPlainQuery(context, HistoryProgress(file_path), status, command,
                       [&] { *history = std::move(command.reply); });
}

int32_t GetDeletedItemsInProject(const OperationContext& context, const std::string& project_path,
                                 OperationStatus* status, std::vector<DeletedItem>* items) {
  DeletedItemsCommand command;
  command.project_path = project_path;
  return RunPlainQuery(context, kReportDeletedItemsPrefix + project_path + kReportEllipsis, status,
                       command, [&] { *items = std::move(command.reply); });
}

int32_t GetFileLinks(const OperationContext& context, const std::string& file_path,
                     OperationStatus* status, std::vector<std::string>* links) {
  FileLinksCommand command;
  command.file_path = file_path;
  return RunPlainQuery(context, kReportShareLinksPrefix + file_path + kReportEllipsis, status,
                       command, [&] { *links = std::move(command.reply); });
}

}  // namespace qorv::ops
