// RecoverItems, PurgeItems and SetPassword (tree_edits.h).
#include <algorithm>

#include "ops/report_texts.h"
#include "ops/tree_edits.h"
#include "protocol/session_commands.h"
#include "protocol/tree_commands.h"

namespace qorv::ops {
namespace {

// One {path, 0, "Completed"} per path, in order; returns the index of the
// first.
size_t StartItems(const std::vector<std::string>& paths, std::vector<ItemResult>* results) {
  const size_t first = results->size();
  for (const std::string& path : paths) results->push_back(ItemResult{path});
  return first;
}

}  // namespace

int32_t RecoverItems(const OperationContext& context, const std::vector<std::string>& item_paths,
                     OperationStatus* status, std::vector<ItemResult>* results) {
  OperationDriver& driver = context.driver;
  context.BeginOperation();
  const size_t first = StartItems(item_paths, results);
  RecoverItemsCommand command;
  command.item_paths = item_paths;
  const int32_t result = context.Run(command, status);
  if (result != kResultOk || status->canceled) {
    driver.Report("", kReportRecoverItemsFailedPrefix + status->description, false);
    return result;
  }
  const size_t count = std::min(command.reply.size(), item_paths.size());
  for (size_t i = 0; i < count; ++i) {
    const RecoveredItem& entry = command.reply[i];
    ItemResult& item = (*results)[first + i];
    item.result = entry.result;
    item.description = entry.description;
    driver.Report(kReportRecovingItemPrefix + item_paths[i] + kReportRecoveringSuffix,
                  entry.description, entry.result == kResultOk);
  }
  return kResultOk;
}

int32_t PurgeItems(const OperationContext& context, const std::vector<std::string>& item_paths,
                   OperationStatus* status, std::vector<ItemResult>* results) {
  OperationDriver& driver = context.driver;
  context.BeginOperation();
  if (item_paths.empty()) {
    status->description = kTextCompleted;
    driver.Report("", kTextCompleted, true);
    return kResultOk;
  }
  const size_t first = StartItems(item_paths, results);
  PurgeItemsCommand command;
  command.item_paths = item_paths;
  const int32_t result = context.Run(command, status);
  if (result != kResultOk || status->canceled) {
    driver.Report("", kReportPurgingFailedPrefix + status->description, false);
    return result;
  }
  const size_t count = std::min(command.reply.size(), item_paths.size());
  for (size_t i = 0; i < count; ++i) {
    const EntryResult& entry = command.reply[i];
    ItemResult& item = (*results)[first + i];
    item.result = entry.result;
    item.description = entry.description;
    driver.Report(kReportPurgingPrefix + item_paths[i], entry.description,
                  entry.result == kResultOk);
  }
  return kResultOk;
}

int32_t SetPassword(const OperationContext& context, const std::string& new_password,
                    OperationStatus* status) {
  context.BeginOperation();
  context.driver.Report(kReportChangingPassword, "", true);
  SetPasswordCommand command;
  command.new_password = new_password;
  const int32_t result = context.Run(command, status);
  context.driver.Report("", status->description, result == kResultOk);
  return result;
}

}  // namespace qorv::ops
