// Commands that edit the project tree without moving file contents: create,
// delete, rename, recover, share, pin, unpin, branch, move, purge, label,
// undo check out and the keep-latest flag. Field meanings: docs/protocol.md.
#ifndef QORV_PROTOCOL_TREE_COMMANDS_H_
#define QORV_PROTOCOL_TREE_COMMANDS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/command_base.h"
#include "protocol/command_codes.h"

namespace qorv {

// 4 (0x04) Create projects. Per-entry results are 0 created, 2 already
// there, 3 failed.
struct CreateProjectsCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kCreateProjects;
  std::string comment;
  std::vector<std::string> project_paths;
  std::vector<EntryResult> reply;  // one per path

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 5 (0x05) Delete items.
struct DeleteItemsCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kDeleteItems;
  bool destroy_permanently = false;
  std::vector<std::string> item_paths;
  std::vector<EntryResult> reply;  // one per path

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 6 (0x06) Rename item.
struct RenameItemCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kRenameItem;
  std::string item_path;
  std::string new_name;  // a name, not a path

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage&) {}
};

// 7 (0x07) Recover items.
struct RecoveredItem {
  double date = 0;  // time of the recovery; 0 on failure
  int32_t result = kResultOk;
  std::string description;
};
struct RecoverItemsCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kRecoverItems;
  std::vector<std::string> item_paths;
  std::vector<RecoveredItem> reply;  // one per path

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 8 (0x08) Share file.
struct ShareFileCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kShareFile;
  std::string target_project;
  std::string file_path;
  bool branch_after_share = false;
  std::string comment;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage&) {}
};

// 9 (0x09) Share project.
struct ShareProjectCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kShareProject;
  std::string target_project;
  std::string project_path;
  bool branch_after_share = false;
  bool recursive = false;
  std::string comment;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage&) {}
};

// 16 (0x10) Pin file. Version 0 pins the latest version.
struct PinFileCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kPinFile;
  std::string file_path;
  int32_t version = 0;
  struct Reply {
    double date = 0;  // time of the pinned version
  } reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 17 (0x11) Unpin file.
struct UnpinFileCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kUnpinFile;
  std::string file_path;
  struct Reply {
    double date = 0;  // time of the latest version
    int32_t version = 0;
  } reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 18 (0x12) Branch item. Its date comes as a raw little-endian double, not
// as the two-int32 date-time.
struct BranchItemCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kBranchItem;
  std::string item_path;
  std::string comment;
  struct Reply {
    double date = 0;
    int32_t version = 0;
  } reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 19 (0x13) Move item.
struct MoveItemCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kMoveItem;
  std::string item_path;
  std::string target_project;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage&) {}
};

// 32 (0x20) Purge items. The per-entry results follow the description
// whatever the status.
struct PurgeItemsCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kPurgeItems;
  static constexpr ReplyShape kReplyShape = ReplyShape::kFieldsAlways;
  std::vector<std::string> item_paths;
  std::vector<EntryResult> reply;  // one per path

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 33 (0x21) Label item.
struct LabelItemCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kLabelItem;
  std::string item_path;
  std::string label_name;
  std::string comment;
  struct Reply {
    double date = 0;  // time of the label
  } reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 43 (0x2B) Undo check out.
struct UndoneCheckOut {
  double date = 0;  // time of the version the project shows
  std::string user_text;
  int32_t file_status = 0;
  int32_t result = kResultOk;
  std::string description;
};
struct UndoCheckOutCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kUndoCheckOut;
  std::vector<std::string> file_paths;
  std::vector<UndoneCheckOut> reply;  // one per path

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 48 (0x30) Set a flag on a path: keep only the latest version's content.
struct SetKeepLatestOnlyCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kSetKeepLatestOnly;
  std::string file_path;
  bool latest_only = false;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage&) {}
};

}  // namespace qorv

#endif  // QORV_PROTOCOL_TREE_COMMANDS_H_
