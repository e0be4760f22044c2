// Commands that read the server's state: listings, general information,
// histories, existence and status queries. Field meanings: docs/protocol.md.
#ifndef QORV_PROTOCOL_QUERY_COMMANDS_H_
#define QORV_PROTOCOL_QUERY_COMMANDS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/command_base.h"
#include "protocol/command_codes.h"

namespace qorv {

// 2 (0x02) List texts of a path: the users holding check-outs.
struct CheckOutHoldersCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kCheckOutHolders;
  std::string path;
  std::vector<std::string> reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 3 (0x03) List project contents.
struct ProjectContentsEntry {
  std::string item_name;  // relative to the project
  bool is_project = false;
  int32_t status = 0;  // Enum_FileStatus
  int32_t version = 0;
  int32_t file_type = 0;  // 1 binary, 2 text, 0 project
};
struct ProjectContentsCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kProjectContents;
  std::string project_path;
  bool recursive = false;
  std::vector<ProjectContentsEntry> reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 21 (0x15) List records of a path: the labels that apply to an item.
struct LabelRecord {
  std::string label_name;
  std::string comment;
  std::string user_name;
  double date = 0;
  int32_t version = 0;  // the item's version at the label
  std::string labeled_item;
};
struct ItemLabelsCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kItemLabels;
  std::string path;
  struct Reply {
    std::vector<LabelRecord> labels;
    int32_t current_version = 0;
  } reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 22 (0x16) File links.
struct FileLinksCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kFileLinks;
  std::string file_path;
  std::vector<std::string> reply;  // full paths of the live links

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 23 (0x17) File general information.
struct FileGeneralInfo {
  std::string file_type;  // "Text" or "Binary"
  int32_t version = 0;
  double date = 0;
  int32_t size = 0;
  std::string comment;
};
struct FileGeneralInfoCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kFileGeneralInfo;
  std::string file_path;
  FileGeneralInfo reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 24 (0x18) Project general information.
struct ProjectGeneralInfo {
  int32_t sub_projects_not_deleted = 0;
  int32_t sub_projects_deleted = 0;
  int32_t files_not_deleted = 0;
  int32_t files_deleted = 0;
  int32_t version = 0;
  double date = 0;
  std::string comment;
};
struct ProjectGeneralInfoCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kProjectGeneralInfo;
  std::string project_path;
  ProjectGeneralInfo reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 25 (0x19) Deleted items. "Is project" travels as one byte.
struct DeletedItem {
  std::string item_name;
  bool is_project = false;
};
struct DeletedItemsCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kDeletedItems;
  std::string project_path;
  std::vector<DeletedItem> reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 34 (0x22) File history. Dates of 0 leave the range open.
struct FileHistoryEntry {
  int32_t version = 0;
  std::string user_name;
  double date = 0;
  std::string action;
  std::string label;
  std::string comment;
  std::string label_comment;
  bool pinned = false;
  bool inherit_label_from_parent = false;
};
struct FileHistoryCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kFileHistory;
  std::string file_path;
  std::string user_name;  // empty: every user
  double from = 0;
  double to = 0;
  struct Reply {
    bool pinned = false;
    std::vector<FileHistoryEntry> entries;
  } reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 35 (0x23) Project history.
struct ProjectHistoryEntry {
  std::string file_name;
  bool is_project = false;
  int32_t version = 0;
  std::string user_name;
  double date = 0;
  std::string action;
  std::string label;
  std::string comment;
  std::string label_comment;
};
struct ProjectHistoryCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kProjectHistory;
  std::string project_path;
  bool include_file_history = false;
  bool recursive = false;
  std::string user_name;
  double from = 0;
  double to = 0;
  std::vector<ProjectHistoryEntry> reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 37 (0x25) List pairs: the users of the database with their rights.
struct UserRecord {
  std::string user_name;
  std::string rights;  // "ReadWrite" or "ReadOnly"
};
struct UsersCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kUsers;
  std::vector<UserRecord> reply;

  void Encode(FieldWriter&) const {}
  void Decode(CInMessage& in);
};

// 51 (0x33) Boolean query: does a live file exist at the path.
struct FileExistsCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kFileExists;
  std::string path;
  bool reply = false;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 52 (0x34) Project exists.
struct ProjectExistsCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kProjectExists;
  std::string project_path;
  bool reply = false;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 53 (0x35) Byte list for paths: the kind of item at each path (0 nothing,
// 1 live project, 2 live file, 3 deleted project, 4 deleted file).
struct ItemKindsCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kItemKinds;
  std::vector<std::string> paths;
  std::vector<uint8_t> reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 54 (0x36) File count.
struct FileCountCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kFileCount;
  std::string project_path;
  int32_t reply = 0;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 55 (0x37) List with dates: the direct live children of a project.
struct DatedItem {
  std::string item_name;
  bool is_project = false;
  double date = 0;  // time of the latest change
  int32_t version = 0;
  int32_t size = 0;
};
struct ListWithDatesCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kListWithDates;
  std::string project_path;
  std::vector<DatedItem> reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 56 (0x38) List since a date.
struct ChangedItem {
  std::string item_name;
  bool is_project = false;
  int32_t version = 0;
};
struct ListSinceCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kListSince;
  std::string project_path;
  bool recursive = false;
  double since = 0;
  std::vector<ChangedItem> reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 59 (0x3B) Project file list. The client sends (-1, 0) for its project
// tree and (0, 1) for one project's files.
struct ProjectFileListEntry {
  std::string name;  // relative to the project
  bool is_project = false;
  double date = 0;
  std::string user_name;
  int32_t status = 0;  // Enum_FileStatus
  int32_t version = 0;
  int32_t size = 0;
  int32_t file_type = 0;
  int32_t check_out_count = 0;
};
struct ProjectFileListCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kProjectFileList;
  std::string project_path;
  int32_t sub_project_depth = 0;  // -1 every level, 0 none, n levels
  int32_t include_files = 0;      // nonzero: list the files of each listed project
  std::vector<ProjectFileListEntry> reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 60 (0x3C) Int32 query: an item's version at a label.
struct VersionAtLabelCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kVersionAtLabel;
  std::string item_path;
  std::string label_name;
  int32_t reply = 0;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 66 (0x42) Add check.
struct AddCheckEntry {
  std::string path;
  bool is_project = false;
};
struct AddCheckResult {
  bool live_item_exists = false;
  bool deleted_copy_exists = false;
  bool type_excluded = false;
  bool project_exists = false;
};
struct AddCheckCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kAddCheck;
  std::vector<AddCheckEntry> entries;
  std::vector<AddCheckResult> reply;  // one per entry

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 67 (0x43) File status.
struct FileStatusEntry {
  std::string file_path;
  int32_t version = 0;  // 0: the version the project shows
  bool want_digest = true;
};
struct FileStatusResult {
  int32_t result = kResultOk;
  int32_t version = 0;
  bool checked_out_by_you = false;
  bool text_file = false;
  int32_t file_status = 0;
  Digest digest{};
  std::string description;
  std::string user_text;
};
struct FileStatusCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kFileStatus;
  int32_t line_ending_mode = 0;  // Enum_EOL
  std::vector<FileStatusEntry> entries;
  std::vector<FileStatusResult> reply;  // one per entry

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 68 (0x44) Check-out state.
struct CheckOutStateResult {
  bool exists = false;
  bool checked_out_by_you = false;
  int32_t version_checked_out = 0;
  int32_t latest_version = 0;
};
struct CheckOutStateCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kCheckOutState;
  std::vector<std::string> file_paths;
  std::vector<CheckOutStateResult> reply;  // one per path

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 70 (0x46) and 71 (0x47) Project listing at a version or at a date.
struct ListedItem {
  std::string item_name;  // relative to the project
  bool is_project = false;
  int32_t version = 0;
  Digest digest{};
  std::string user_name;
  int32_t size = 0;
  bool text_file = false;
  bool checked_out_by_you = false;
};
struct ProjectAtVersionCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kProjectAtVersion;
  std::string project_path;
  int32_t version = 0;
  bool recursive = false;
  int32_t line_ending_mode = 0;
  std::vector<ListedItem> reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};
struct ProjectAtDateCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kProjectAtDate;
  std::string project_path;
  double date = 0;
  bool recursive = false;
  int32_t line_ending_mode = 0;
  std::vector<ListedItem> reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 112 (0x70) Label date.
struct LabelDateCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kLabelDate;
  std::string project_path;
  std::string label_name;
  double reply = 0;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

}  // namespace qorv

#endif  // QORV_PROTOCOL_QUERY_COMMANDS_H_
