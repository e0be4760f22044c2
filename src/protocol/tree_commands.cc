#include "protocol/tree_commands.h"

namespace qorv {
namespace {

std::vector<EntryResult> ReadEntryResults(CInMessage& in, size_t count) {
  return ReadPerEntryList(in, count, ReadEntryResult);
}

}  // namespace

void CreateProjectsCommand::Encode(FieldWriter& out) const {
  out.String(comment);
  WriteStringList(out, project_paths);
}

void CreateProjectsCommand::Decode(CInMessage& in) {
  reply = ReadEntryResults(in, project_paths.size());
}

void DeleteItemsCommand::Encode(FieldWriter& out) const {
  out.Bool(destroy_permanently);
  WriteStringList(out, item_paths);
}

void DeleteItemsCommand::Decode(CInMessage& in) { reply = ReadEntryResults(in, item_paths.size()); }

void RenameItemCommand::Encode(FieldWriter& out) const { out.String(item_path).String(new_name); }

void RecoverItemsCommand::Encode(FieldWriter& out) const { WriteStringList(out, item_paths); }

void RecoverItemsCommand::Decode(CInMessage& in) {
  reply = ReadPerEntryList(in, item_paths.size(), [](CInMessage& message) {
    RecoveredItem item;
    item.date = message.ReadDate();
    item.result = message.ReadInt32();
    item.description = message.ReadString();
    return item;
  });
}

void ShareFileCommand::Encode(FieldWriter& out) const {
  out.String(target_project).String(file_path).Bool(branch_after_share).String(comment);
}

void ShareProjectCommand::Encode(FieldWriter& out) const {
  out.String(target_project)
      .String(project_path)
      .Bool(branch_after_share)
      .Bool(recursive)
      .String(comment);
}

void PinFileCommand::Encode(FieldWriter& out) const { out.String(file_path).Int32(version); }

void PinFileCommand::Decode(CInMessage& in) { reply.date = in.ReadDate(); }

void UnpinFileCommand::Encode(FieldWriter& out) const { out.String(file_path); }

void UnpinFileCommand::Decode(CInMessage& in) {
  Reply read;
  read.date = in.ReadDate();
  read.version = in.ReadInt32();
  reply = read;
}

void BranchItemCommand::Encode(FieldWriter& out) const { out.String(item_path).String(comment); }

void BranchItemCommand::Decode(CInMessage& in) {
  Reply read;
  read.date = ReadRawDouble(in);
  read.version = in.ReadInt32();
  reply = read;
}

void MoveItemCommand::Encode(FieldWriter& out) const {
  out.String(item_path).String(target_project);
}

void PurgeItemsCommand::Encode(FieldWriter& out) const { WriteStringList(out, item_paths); }

void PurgeItemsCommand::Decode(CInMessage& in) { reply = ReadEntryResults(in, item_paths.size()); }

void LabelItemCommand::Encode(FieldWriter& out) const {
  out.String(item_path).String(label_name).String(comment);
}

void LabelItemCommand::Decode(CInMessage& in) { reply.date = in.ReadDate(); }

void UndoCheckOutCommand::Encode(FieldWriter& out) const { WriteStringList(out, file_paths); }

void UndoCheckOutCommand::Decode(CInMessage& in) {
  reply = ReadPerEntryList(in, file_paths.size(), [](CInMessage& message) {
    UndoneCheckOut entry;
    entry.date = message.ReadDate();
    entry.user_text = message.ReadString();
    entry.file_status = message.ReadInt32();
    entry.result = message.ReadInt32();
    entry.description = message.ReadString();
    return entry;
  });
}

void SetKeepLatestOnlyCommand::Encode(FieldWriter& out) const {
  out.String(file_path).Bool(latest_only);
}

}  // namespace qorv
