#include "ops/plain_queries.h"

#include <utility>

#include "ops/report_texts.h"

namespace qorv::ops {
namespace {

// Steps 1 to 5 of a plain query around `request`, which runs the command
// with (&canceled, &description) and returns its result.
template <class Request>
int32_t RunPlainQuery(const OperationContext& context, const std::string& progress,
                      OperationStatus* status, Request&& request) {
  context.BeginOperation();
  context.driver.Report("", progress, true);
  const int32_t result = request(&status->canceled, &status->description);
  context.driver.Report("", status->description, result == kResultOk);
  return result;
}

std::string GeneralInfoProgress(const std::string& path) {
  return kReportGettingPrefix + path + kReportGeneralInfoSuffix;
}

std::string HistoryProgress(const std::string& path) {
  return kReportHistoryPrefix + path + kReportHistorySuffix;
}

// The engine writes the reply only on success; the optional is set only
// then.
template <class Value, class Request>
int32_t IntoOptional(std::optional<Value>* out, Request&& request) {
  Value value{};
  const int32_t result = request(&value);
  if (result == kResultOk) *out = std::move(value);
  return result;
}

}  // namespace

int32_t GetProjectGeneralInfo(const OperationContext& context, const std::string& project_path,
                              OperationStatus* status, std::optional<ProjectGeneralInfo>* info) {
  return RunPlainQuery(context, GeneralInfoProgress(project_path), status,
                       [&](bool* canceled, std::string* description) {
                         return IntoOptional(info, [&](ProjectGeneralInfo* value) {
                           return context.engine.ProjectGeneralInfo(project_path, canceled,
                                                                    description, value);
                         });
                       });
}

int32_t GetFileGeneralInfo(const OperationContext& context, const std::string& file_path,
                           OperationStatus* status, std::optional<FileGeneralInfo>* info) {
  return RunPlainQuery(context, GeneralInfoProgress(file_path), status,
                       [&](bool* canceled, std::string* description) {
                         return IntoOptional(info, [&](FileGeneralInfo* value) {
                           return context.engine.FileGeneralInfo(file_path, canceled, description,
                                                                 value);
                         });
                       });
}

int32_t GetFileCountInProject(const OperationContext& context, const std::string& project_path,
                              OperationStatus* status, std::optional<int32_t>* file_count) {
  return IntoOptional(file_count, [&](int32_t* count) {
    return context.engine.FileCount(project_path, &status->canceled, &status->description, count);
  });
}

int32_t IsProjectExistingOnServer(const OperationContext& context, const std::string& project_path,
                                  OperationStatus* status, bool* exists) {
  return RunPlainQuery(context, kReportQueryingPrefix + project_path + kReportInfoSuffix, status,
                       [&](bool* canceled, std::string* description) {
                         return context.engine.ProjectExists(project_path, canceled, description,
                                                             exists);
                       });
}

int32_t GetDatabaseAlias(const OperationContext& context, OperationStatus* status,
                         std::vector<std::string>* aliases) {
  return RunPlainQuery(context, kReportDatabaseAlias, status,
                       [&](bool* canceled, std::string* description) {
                         return context.engine.DatabaseAliases(canceled, description, aliases);
                       });
}

int32_t GetProjectHistory(const OperationContext& context, const std::string& project_path,
                          bool include_file_history, bool recursive, const HistoryFilter& filter,
                          OperationStatus* status, std::vector<ProjectHistoryEntry>* entries) {
  return RunPlainQuery(context, HistoryProgress(project_path), status,
                       [&](bool* canceled, std::string* description) {
                         return context.engine.ProjectHistory(
                             project_path, include_file_history, recursive, filter.user_name,
                             filter.date_from, filter.date_to, canceled, description, entries);
                       });
}

int32_t GetFileHistory(const OperationContext& context, const std::string& file_path,
                       const HistoryFilter& filter, OperationStatus* status,
                       FileHistoryCommand::Reply* history) {
  return RunPlainQuery(
      context, HistoryProgress(file_path), status, [&](bool* canceled, std::string* description) {
        return context.engine.FileHistory(file_path, filter.user_name, filter.date_from,
                                          filter.date_to, canceled, description, history);
      });
}

int32_t GetDeletedItemsInProject(const OperationContext& context, const std::string& project_path,
                                 OperationStatus* status, std::vector<DeletedItem>* items) {
  return RunPlainQuery(context, kReportDeletedItemsPrefix + project_path + kReportEllipsis, status,
                       [&](bool* canceled, std::string* description) {
                         return context.engine.DeletedItems(project_path, canceled, description,
                                                            items);
                       });
}

int32_t GetFileLinks(const OperationContext& context, const std::string& file_path,
                     OperationStatus* status, std::vector<std::string>* links) {
  return RunPlainQuery(context, kReportShareLinksPrefix + file_path + kReportEllipsis, status,
                       [&](bool* canceled, std::string* description) {
                         return context.engine.FileLinks(file_path, canceled, description, links);
                       });
}

}  // namespace qorv::ops
