// The single-step request methods of the request engine, one per command:
// each fills its command and runs it through the single-step algorithm.
#include <utility>

#include "protocol/request_engine.h"

namespace qorv {

template <class Command>
int32_t CRequestEngine::ExchangeOnly(ReplyStatus (CProtocolClient::*method)(Command&),
                                     Command& command, bool* canceled, std::string* description) {
  return Exchange(
      Command::kCode,
      [method, &command](CProtocolClient& client) { return (client.*method)(command); }, canceled,
      description);
}

template <class Command, class Out>
int32_t CRequestEngine::ExchangeInto(ReplyStatus (CProtocolClient::*method)(Command&),
                                     Command& command, bool* canceled, std::string* description,
                                     Out* out) {
  const int32_t result = ExchangeOnly(method, command, canceled, description);
  if (result == kResultOk) *out = std::move(command.reply);
  return result;
}

int32_t CRequestEngine::CheckOutHolders(const std::string& path, bool* canceled,
                                        std::string* description,
                                        std::vector<std::string>* user_names) {
  CheckOutHoldersCommand command;
  command.path = path;
  return ExchangeInto(&CProtocolClient::CheckOutHolders, command, canceled, description,
                      user_names);
}

int32_t CRequestEngine::ProjectContents(const std::string& project_path, bool recursive,
                                        bool* canceled, std::string* description,
                                        std::vector<ProjectContentsEntry>* entries) {
  ProjectContentsCommand command;
  command.project_path = project_path;
  command.recursive = recursive;
  return ExchangeInto(&CProtocolClient::ProjectContents, command, canceled, description, entries);
}

int32_t CRequestEngine::CreateProjects(const std::string& comment,
                                       const std::vector<std::string>& project_paths,
                                       bool* canceled, std::string* description,
                                       std::vector<EntryResult>* results) {
  CreateProjectsCommand command;
  command.comment = comment;
  command.project_paths = project_paths;
  return ExchangeInto(&CProtocolClient::CreateProjects, command, canceled, description, results);
}

int32_t CRequestEngine::DeleteItems(bool destroy_permanently,
                                    const std::vector<std::string>& item_paths, bool* canceled,
                                    std::string* description, std::vector<EntryResult>* results) {
  DeleteItemsCommand command;
  command.destroy_permanently = destroy_permanently;
  command.item_paths = item_paths;
  return ExchangeInto(&CProtocolClient::DeleteItems, command, canceled, description, results);
}

int32_t CRequestEngine::RenameItem(const std::string& item_path, const std::string& new_name,
                                   bool* canceled, std::string* description) {
  RenameItemCommand command;
  command.item_path = item_path;
  command.new_name = new_name;
  return ExchangeOnly(&CProtocolClient::RenameItem, command, canceled, description);
}

int32_t CRequestEngine::RecoverItems(const std::vector<std::string>& item_paths, bool* canceled,
                                     std::string* description,
                                     std::vector<RecoveredItem>* results) {
  RecoverItemsCommand command;
  command.item_paths = item_paths;
  return ExchangeInto(&CProtocolClient::RecoverItems, command, canceled, description, results);
}

int32_t CRequestEngine::ShareFile(const std::string& target_project, const std::string& file_path,
                                  bool branch_after_share, const std::string& comment,
                                  bool* canceled, std::string* description) {
  ShareFileCommand command;
  command.target_project = target_project;
  command.file_path = file_path;
  command.branch_after_share = branch_after_share;
  command.comment = comment;
  return ExchangeOnly(&CProtocolClient::ShareFile, command, canceled, description);
}

int32_t CRequestEngine::ShareProject(const std::string& target_project,
                                     const std::string& project_path, bool branch_after_share,
                                     bool recursive, const std::string& comment, bool* canceled,
                                     std::string* description) {
  ShareProjectCommand command;
  command.target_project = target_project;
  command.project_path = project_path;
  command.branch_after_share = branch_after_share;
  command.recursive = recursive;
  command.comment = comment;
  return ExchangeOnly(&CProtocolClient::ShareProject, command, canceled, description);
}

int32_t CRequestEngine::PinFile(const std::string& file_path, int32_t version, bool* canceled,
                                std::string* description, double* date) {
  PinFileCommand command;
  command.file_path = file_path;
  command.version = version;
  const int32_t result = ExchangeOnly(&CProtocolClient::PinFile, command, canceled, description);
  if (result == kResultOk) *date = command.reply.date;
  return result;
}

int32_t CRequestEngine::UnpinFile(const std::string& file_path, bool* canceled,
                                  std::string* description, UnpinFileCommand::Reply* reply) {
  UnpinFileCommand command;
  command.file_path = file_path;
  return ExchangeInto(&CProtocolClient::UnpinFile, command, canceled, description, reply);
}

int32_t CRequestEngine::BranchItem(const std::string& item_path, const std::string& comment,
                                   bool* canceled, std::string* description,
                                   BranchItemCommand::Reply* reply) {
  BranchItemCommand command;
  command.item_path = item_path;
  command.comment = comment;
  return ExchangeInto(&CProtocolClient::BranchItem, command, canceled, description, reply);
}

int32_t CRequestEngine::MoveItem(const std::string& item_path, const std::string& target_project,
                                 bool* canceled, std::string* description) {
  MoveItemCommand command;
  command.item_path = item_path;
  command.target_project = target_project;
  return ExchangeOnly(&CProtocolClient::MoveItem, command, canceled, description);
}

int32_t CRequestEngine::SetPassword(const std::string& new_password, bool* canceled,
                                    std::string* description) {
  SetPasswordCommand command;
  command.new_password = new_password;
  return ExchangeOnly(&CProtocolClient::SetPassword, command, canceled, description);
}

int32_t CRequestEngine::ItemLabels(const std::string& path, bool* canceled,
                                   std::string* description, ItemLabelsCommand::Reply* reply) {
  ItemLabelsCommand command;
  command.path = path;
  return ExchangeInto(&CProtocolClient::ItemLabels, command, canceled, description, reply);
}

int32_t CRequestEngine::FileLinks(const std::string& file_path, bool* canceled,
                                  std::string* description, std::vector<std::string>* links) {
  FileLinksCommand command;
  command.file_path = file_path;
  return ExchangeInto(&CProtocolClient::FileLinks, command, canceled, description, links);
}

int32_t CRequestEngine::FileGeneralInfo(const std::string& file_path, bool* canceled,
                                        std::string* description, qorv::FileGeneralInfo* info) {
  FileGeneralInfoCommand command;
  command.file_path = file_path;
  return ExchangeInto(&CProtocolClient::FileGeneralInfo, command, canceled, description, info);
}

int32_t CRequestEngine::ProjectGeneralInfo(const std::string& project_path, bool* canceled,
                                           std::string* description,
                                           qorv::ProjectGeneralInfo* info) {
  ProjectGeneralInfoCommand command;
  command.project_path = project_path;
  return ExchangeInto(&CProtocolClient::ProjectGeneralInfo, command, canceled, description, info);
}

int32_t CRequestEngine::DeletedItems(const std::string& project_path, bool* canceled,
                                     std::string* description, std::vector<DeletedItem>* items) {
  DeletedItemsCommand command;
  command.project_path = project_path;
  return ExchangeInto(&CProtocolClient::DeletedItems, command, canceled, description, items);
}

int32_t CRequestEngine::PurgeItems(const std::vector<std::string>& item_paths, bool* canceled,
                                   std::string* description, std::vector<EntryResult>* results) {
  PurgeItemsCommand command;
  command.item_paths = item_paths;
  return ExchangeInto(&CProtocolClient::PurgeItems, command, canceled, description, results);
}

int32_t CRequestEngine::LabelItem(const std::string& item_path, const std::string& label_name,
                                  const std::string& comment, bool* canceled,
                                  std::string* description, double* date) {
  LabelItemCommand command;
  command.item_path = item_path;
  command.label_name = label_name;
  command.comment = comment;
  const int32_t result = ExchangeOnly(&CProtocolClient::LabelItem, command, canceled, description);
  if (result == kResultOk) *date = command.reply.date;
  return result;
}

int32_t CRequestEngine::FileHistory(const std::string& file_path, const std::string& user_name,
                                    double from, double to, bool* canceled,
                                    std::string* description, FileHistoryCommand::Reply* reply) {
  FileHistoryCommand command;
  command.file_path = file_path;
  command.user_name = user_name;
  command.from = from;
  command.to = to;
  return ExchangeInto(&CProtocolClient::FileHistory, command, canceled, description, reply);
}

int32_t CRequestEngine::ProjectHistory(const std::string& project_path, bool include_file_history,
                                       bool recursive, const std::string& user_name, double from,
                                       double to, bool* canceled, std::string* description,
                                       std::vector<ProjectHistoryEntry>* entries) {
  ProjectHistoryCommand command;
  command.project_path = project_path;
  command.include_file_history = include_file_history;
  command.recursive = recursive;
  command.user_name = user_name;
  command.from = from;
  command.to = to;
  return ExchangeInto(&CProtocolClient::ProjectHistory, command, canceled, description, entries);
}

int32_t CRequestEngine::Users(bool* canceled, std::string* description,
                              std::vector<UserRecord>* users) {
  UsersCommand command;
  return ExchangeInto(&CProtocolClient::Users, command, canceled, description, users);
}

int32_t CRequestEngine::UndoCheckOut(const std::vector<std::string>& file_paths, bool* canceled,
                                     std::string* description,
                                     std::vector<UndoneCheckOut>* results) {
  UndoCheckOutCommand command;
  command.file_paths = file_paths;
  return ExchangeInto(&CProtocolClient::UndoCheckOut, command, canceled, description, results);
}

int32_t CRequestEngine::DatabaseAliases(bool* canceled, std::string* description,
                                        std::vector<std::string>* aliases) {
  DatabaseAliasesCommand command;
  return ExchangeInto(&CProtocolClient::DatabaseAliases, command, canceled, description, aliases);
}

int32_t CRequestEngine::SetKeepLatestOnly(const std::string& file_path, bool latest_only,
                                          bool* canceled, std::string* description) {
  SetKeepLatestOnlyCommand command;
  command.file_path = file_path;
  command.latest_only = latest_only;
  return ExchangeOnly(&CProtocolClient::SetKeepLatestOnly, command, canceled, description);
}

int32_t CRequestEngine::FileExists(const std::string& path, bool* canceled,
                                   std::string* description, bool* exists) {
  FileExistsCommand command;
  command.path = path;
  return ExchangeInto(&CProtocolClient::FileExists, command, canceled, description, exists);
}

int32_t CRequestEngine::ProjectExists(const std::string& project_path, bool* canceled,
                                      std::string* description, bool* exists) {
  ProjectExistsCommand command;
  command.project_path = project_path;
  return ExchangeInto(&CProtocolClient::ProjectExists, command, canceled, description, exists);
}

int32_t CRequestEngine::ItemKinds(const std::vector<std::string>& paths, bool* canceled,
                                  std::string* description, std::vector<uint8_t>* kinds) {
  ItemKindsCommand command;
  command.paths = paths;
  return ExchangeInto(&CProtocolClient::ItemKinds, command, canceled, description, kinds);
}

int32_t CRequestEngine::FileCount(const std::string& project_path, bool* canceled,
                                  std::string* description, int32_t* count) {
  FileCountCommand command;
  command.project_path = project_path;
  return ExchangeInto(&CProtocolClient::FileCount, command, canceled, description, count);
}

int32_t CRequestEngine::ListWithDates(const std::string& project_path, bool* canceled,
                                      std::string* description, std::vector<DatedItem>* items) {
  ListWithDatesCommand command;
  command.project_path = project_path;
  return ExchangeInto(&CProtocolClient::ListWithDates, command, canceled, description, items);
}

int32_t CRequestEngine::ListSince(const std::string& project_path, bool recursive, double since,
                                  bool* canceled, std::string* description,
                                  std::vector<ChangedItem>* items) {
  ListSinceCommand command;
  command.project_path = project_path;
  command.recursive = recursive;
  command.since = since;
  return ExchangeInto(&CProtocolClient::ListSince, command, canceled, description, items);
}

int32_t CRequestEngine::ProjectFileList(const std::string& project_path, int32_t sub_project_depth,
                                        int32_t include_files, bool* canceled,
                                        std::string* description,
                                        std::vector<ProjectFileListEntry>* entries) {
  ProjectFileListCommand command;
  command.project_path = project_path;
  command.sub_project_depth = sub_project_depth;
  command.include_files = include_files;
  return ExchangeInto(&CProtocolClient::ProjectFileList, command, canceled, description, entries);
}

int32_t CRequestEngine::VersionAtLabel(const std::string& item_path, const std::string& label_name,
                                       bool* canceled, std::string* description, int32_t* version) {
  VersionAtLabelCommand command;
  command.item_path = item_path;
  command.label_name = label_name;
  return ExchangeInto(&CProtocolClient::VersionAtLabel, command, canceled, description, version);
}

int32_t CRequestEngine::AddCheck(const std::vector<AddCheckEntry>& entries, bool* canceled,
                                 std::string* description, std::vector<AddCheckResult>* results) {
  AddCheckCommand command;
  command.entries = entries;
  return ExchangeInto(&CProtocolClient::AddCheck, command, canceled, description, results);
}

int32_t CRequestEngine::FileStatus(int32_t line_ending_mode,
                                   const std::vector<FileStatusEntry>& entries, bool* canceled,
                                   std::string* description,
                                   std::vector<FileStatusResult>* results) {
  FileStatusCommand command;
  command.line_ending_mode = line_ending_mode;
  command.entries = entries;
  return ExchangeInto(&CProtocolClient::FileStatus, command, canceled, description, results);
}

int32_t CRequestEngine::CheckOutState(const std::vector<std::string>& file_paths, bool* canceled,
                                      std::string* description,
                                      std::vector<CheckOutStateResult>* results) {
  CheckOutStateCommand command;
  command.file_paths = file_paths;
  return ExchangeInto(&CProtocolClient::CheckOutState, command, canceled, description, results);
}

int32_t CRequestEngine::ProjectAtVersion(const std::string& project_path, int32_t version,
                                         bool recursive, int32_t line_ending_mode, bool* canceled,
                                         std::string* description, std::vector<ListedItem>* items) {
  ProjectAtVersionCommand command;
  command.project_path = project_path;
  command.version = version;
  command.recursive = recursive;
  command.line_ending_mode = line_ending_mode;
  return ExchangeInto(&CProtocolClient::ProjectAtVersion, command, canceled, description, items);
}

int32_t CRequestEngine::ProjectAtDate(const std::string& project_path, double date, bool recursive,
                                      int32_t line_ending_mode, bool* canceled,
                                      std::string* description, std::vector<ListedItem>* items) {
  ProjectAtDateCommand command;
  command.project_path = project_path;
  command.date = date;
  command.recursive = recursive;
  command.line_ending_mode = line_ending_mode;
  return ExchangeInto(&CProtocolClient::ProjectAtDate, command, canceled, description, items);
}

int32_t CRequestEngine::LabelDate(const std::string& project_path, const std::string& label_name,
                                  bool* canceled, std::string* description, double* date) {
  LabelDateCommand command;
  command.project_path = project_path;
  command.label_name = label_name;
  return ExchangeInto(&CProtocolClient::LabelDate, command, canceled, description, date);
}

}  // namespace qorv
