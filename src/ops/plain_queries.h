// The queries that ask the server one command and hand its answer back as it
// came: general information, existence, histories, deleted items, share
// links, database aliases and the file count.
//
// Each plain query (all but GetFileCountInProject):
//   1. cancel flag cleared, keep-alive ping;
//   2. a report with the progress text ({1, text});
//   3. the command through the request engine;
//   4. a report with the description, flagged with (result == 0); an empty
//      description gives an empty batch;
//   5. returns the result.
// The outputs are written only when the result is 0; lists stay empty and
// flags false otherwise. No percentage is reported.
//
// GetFileCountInProject runs the command alone: no ping, no cancel reset,
// no report lines.
#ifndef QORV_OPS_PLAIN_QUERIES_H_
#define QORV_OPS_PLAIN_QUERIES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ops/operation_context.h"
#include "protocol/query_commands.h"

namespace qorv::ops {

// Command 24. Progress "Getting <path> general info...".
int32_t GetProjectGeneralInfo(const OperationContext& context, const std::string& project_path,
                              OperationStatus* status, std::optional<ProjectGeneralInfo>* info);

// Command 23. Progress "Getting <path> general info...".
int32_t GetFileGeneralInfo(const OperationContext& context, const std::string& file_path,
                           OperationStatus* status, std::optional<FileGeneralInfo>* info);

// Command 54, without ping, cancel reset or report lines.
int32_t GetFileCountInProject(const OperationContext& context, const std::string& project_path,
                              OperationStatus* status, std::optional<int32_t>* file_count);

// Command 52. Progress "Querying <path> info...".
int32_t IsProjectExistingOnServer(const OperationContext& context, const std::string& project_path,
                                  OperationStatus* status, bool* exists);

// Command 44. Progress "Getting database alias...".
int32_t GetDatabaseAlias(const OperationContext& context, OperationStatus* status,
                         std::vector<std::string>* aliases);

// The filters of the history queries, passed to the server as they come: an
// empty user name and dates of 0 leave them open.
struct HistoryFilter {
  std::string user_name;
  double date_from = 0;
  double date_to = 0;
};

// Command 35. Progress "Get <path> history...".
int32_t GetProjectHistory(const OperationContext& context, const std::string& project_path,
                          bool include_file_history, bool recursive, const HistoryFilter& filter,
                          OperationStatus* status, std::vector<ProjectHistoryEntry>* entries);

// Command 34. Progress "Get <path> history...".
int32_t GetFileHistory(const OperationContext& context, const std::string& file_path,
                       const HistoryFilter& filter, OperationStatus* status,
                       FileHistoryCommand::Reply* history);

// Command 25. Progress "Getting deleted items in <path>...".
int32_t GetDeletedItemsInProject(const OperationContext& context, const std::string& project_path,
                                 OperationStatus* status, std::vector<DeletedItem>* items);

// Command 22. Progress "Getting share links of <path>...".
int32_t GetFileLinks(const OperationContext& context, const std::string& file_path,
                     OperationStatus* status, std::vector<std::string>* links);

}  // namespace qorv::ops

#endif  // QORV_OPS_PLAIN_QUERIES_H_
