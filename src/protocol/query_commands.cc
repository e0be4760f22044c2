#include "protocol/query_commands.h"

namespace qorv {
namespace {

ListedItem ReadListedItem(CInMessage& in) {
  ListedItem item;
  item.item_name = in.ReadString();
  item.is_project = in.ReadBool();
  item.version = in.ReadInt32();
  item.digest = ReadDigest(in);
  item.user_name = in.ReadString();
  item.size = in.ReadInt32();
  item.text_file = in.ReadBool();
  item.checked_out_by_you = in.ReadBool();
  return item;
}

}  // namespace

void CheckOutHoldersCommand::Encode(FieldWriter& out) const { out.String(path); }

void CheckOutHoldersCommand::Decode(CInMessage& in) { reply = ReadStringList(in); }

void ProjectContentsCommand::Encode(FieldWriter& out) const {
  out.String(project_path).Bool(recursive);
}

void ProjectContentsCommand::Decode(CInMessage& in) {
  reply = ReadCountedList(in, [](CInMessage& message) {
    ProjectContentsEntry entry;
    entry.item_name = message.ReadString();
    entry.is_project = message.ReadBool();
    entry.status = message.ReadInt32();
    entry.version = message.ReadInt32();
    entry.file_type = message.ReadInt32();
    return entry;
  });
}

void ItemLabelsCommand::Encode(FieldWriter& out) const { out.String(path); }

void ItemLabelsCommand::Decode(CInMessage& in) {
  Reply read;
  read.labels = ReadCountedList(in, [](CInMessage& message) {
    LabelRecord record;
    record.label_name = message.ReadString();
    record.comment = message.ReadString();
    record.user_name = message.ReadString();
    record.date = message.ReadDate();
    record.version = message.ReadInt32();
    record.labeled_item = message.ReadString();
    return record;
  });
  read.current_version = in.ReadInt32();
  reply = std::move(read);
}

void FileLinksCommand::Encode(FieldWriter& out) const { out.String(file_path); }

void FileLinksCommand::Decode(CInMessage& in) { reply = ReadStringList(in); }

void FileGeneralInfoCommand::Encode(FieldWriter& out) const { out.String(file_path); }

void FileGeneralInfoCommand::Decode(CInMessage& in) {
  FileGeneralInfo read;
  read.file_type = in.ReadString();
  read.version = in.ReadInt32();
  read.date = in.ReadDate();
  read.size = in.ReadInt32();
  read.comment = in.ReadString();
  reply = std::move(read);
}

void ProjectGeneralInfoCommand::Encode(FieldWriter& out) const { out.String(project_path); }

void ProjectGeneralInfoCommand::Decode(CInMessage& in) {
  ProjectGeneralInfo read;
  read.sub_projects_not_deleted = in.ReadInt32();
  read.sub_projects_deleted = in.ReadInt32();
  read.files_not_deleted = in.ReadInt32();
  read.files_deleted = in.ReadInt32();
  read.version = in.ReadInt32();
  read.date = in.ReadDate();
  read.comment = in.ReadString();
  reply = std::move(read);
}

void DeletedItemsCommand::Encode(FieldWriter& out) const { out.String(project_path); }

void DeletedItemsCommand::Decode(CInMessage& in) {
  reply = ReadCountedList(in, [](CInMessage& message) {
    DeletedItem item;
    item.item_name = message.ReadString();
    item.is_project = message.ReadByte() != 0;
    return item;
  });
}

void FileHistoryCommand::Encode(FieldWriter& out) const {
  out.String(file_path).String(user_name).Date(from).Date(to);
}

void FileHistoryCommand::Decode(CInMessage& in) {
  Reply read;
  read.pinned = in.ReadBool();
  read.entries = ReadCountedList(in, [](CInMessage& message) {
    FileHistoryEntry entry;
    entry.version = message.ReadInt32();
    entry.user_name = message.ReadString();
    entry.date = message.ReadDate();
    entry.action = message.ReadString();
    entry.label = message.ReadString();
    entry.comment = message.ReadString();
    entry.label_comment = message.ReadString();
    entry.pinned = message.ReadBool();
    entry.inherit_label_from_parent = message.ReadBool();
    return entry;
  });
  reply = std::move(read);
}

void ProjectHistoryCommand::Encode(FieldWriter& out) const {
  out.String(project_path)
      .Bool(include_file_history)
      .Bool(recursive)
      .String(user_name)
      .Date(from)
      .Date(to);
}

void ProjectHistoryCommand::Decode(CInMessage& in) {
  reply = ReadCountedList(in, [](CInMessage& message) {
    ProjectHistoryEntry entry;
    entry.file_name = message.ReadString();
    entry.is_project = message.ReadBool();
    entry.version = message.ReadInt32();
    entry.user_name = message.ReadString();
    entry.date = message.ReadDate();
    entry.action = message.ReadString();
    entry.label = message.ReadString();
    entry.comment = message.ReadString();
    entry.label_comment = message.ReadString();
    return entry;
  });
}

void UsersCommand::Decode(CInMessage& in) {
  reply = ReadCountedList(in, [](CInMessage& message) {
    UserRecord record;
    record.user_name = message.ReadString();
    record.rights = message.ReadString();
    return record;
  });
}

void FileExistsCommand::Encode(FieldWriter& out) const { out.String(path); }

void FileExistsCommand::Decode(CInMessage& in) { reply = in.ReadBool(); }

void ProjectExistsCommand::Encode(FieldWriter& out) const { out.String(project_path); }

void ProjectExistsCommand::Decode(CInMessage& in) { reply = in.ReadBool(); }

void ItemKindsCommand::Encode(FieldWriter& out) const { WriteStringList(out, paths); }

void ItemKindsCommand::Decode(CInMessage& in) {
  reply = ReadCountedList(in, [](CInMessage& message) { return message.ReadByte(); });
}

void FileCountCommand::Encode(FieldWriter& out) const { out.String(project_path); }

void FileCountCommand::Decode(CInMessage& in) { reply = in.ReadInt32(); }

void ListWithDatesCommand::Encode(FieldWriter& out) const { out.String(project_path); }

void ListWithDatesCommand::Decode(CInMessage& in) {
  reply = ReadCountedList(in, [](CInMessage& message) {
    DatedItem item;
    item.item_name = message.ReadString();
    item.is_project = message.ReadBool();
    item.date = message.ReadDate();
    item.version = message.ReadInt32();
    item.size = message.ReadInt32();
    return item;
  });
}

void ListSinceCommand::Encode(FieldWriter& out) const {
  out.String(project_path).Bool(recursive).Date(since);
}

void ListSinceCommand::Decode(CInMessage& in) {
  reply = ReadCountedList(in, [](CInMessage& message) {
    ChangedItem item;
    item.item_name = message.ReadString();
    item.is_project = message.ReadBool();
    item.version = message.ReadInt32();
    return item;
  });
}

void ProjectFileListCommand::Encode(FieldWriter& out) const {
  out.String(project_path).Int32(sub_project_depth).Int32(include_files);
}

void ProjectFileListCommand::Decode(CInMessage& in) {
  reply = ReadCountedList(in, [](CInMessage& message) {
    ProjectFileListEntry entry;
    entry.name = message.ReadString();
    entry.is_project = message.ReadBool();
    entry.date = message.ReadDate();
    entry.user_name = message.ReadString();
    entry.status = message.ReadInt32();
    entry.version = message.ReadInt32();
    entry.size = message.ReadInt32();
    entry.file_type = message.ReadInt32();
    entry.check_out_count = message.ReadInt32();
    return entry;
  });
}

void VersionAtLabelCommand::Encode(FieldWriter& out) const {
  out.String(item_path).String(label_name);
}

void VersionAtLabelCommand::Decode(CInMessage& in) { reply = in.ReadInt32(); }

void AddCheckCommand::Encode(FieldWriter& out) const {
  out.Count(entries.size());
  for (const AddCheckEntry& entry : entries) out.String(entry.path).Bool(entry.is_project);
}

void AddCheckCommand::Decode(CInMessage& in) {
  reply = ReadPerEntryList(in, entries.size(), [](CInMessage& message) {
    AddCheckResult result;
    result.live_item_exists = message.ReadBool();
    result.deleted_copy_exists = message.ReadBool();
    result.type_excluded = message.ReadBool();
    result.project_exists = message.ReadBool();
    return result;
  });
}

void FileStatusCommand::Encode(FieldWriter& out) const {
  out.Int32(line_ending_mode).Count(entries.size());
  for (const FileStatusEntry& entry : entries) {
    out.String(entry.file_path).Int32(entry.version).Bool(entry.want_digest);
  }
}

void FileStatusCommand::Decode(CInMessage& in) {
  reply = ReadPerEntryList(in, entries.size(), [](CInMessage& message) {
    FileStatusResult result;
    result.result = message.ReadInt32();
    result.version = message.ReadInt32();
    result.checked_out_by_you = message.ReadBool();
    result.text_file = message.ReadBool();
    result.file_status = message.ReadInt32();
    result.digest = ReadDigest(message);
    result.description = message.ReadString();
    result.user_text = message.ReadString();
    return result;
  });
}

void CheckOutStateCommand::Encode(FieldWriter& out) const { WriteStringList(out, file_paths); }

void CheckOutStateCommand::Decode(CInMessage& in) {
  reply = ReadPerEntryList(in, file_paths.size(), [](CInMessage& message) {
    CheckOutStateResult result;
    result.exists = message.ReadBool();
    result.checked_out_by_you = message.ReadBool();
    result.version_checked_out = message.ReadInt32();
    result.latest_version = message.ReadInt32();
    return result;
  });
}

void ProjectAtVersionCommand::Encode(FieldWriter& out) const {
  out.String(project_path).Int32(version).Bool(recursive).Int32(line_ending_mode);
}

void ProjectAtVersionCommand::Decode(CInMessage& in) {
  reply = ReadCountedList(in, ReadListedItem);
}

void ProjectAtDateCommand::Encode(FieldWriter& out) const {
  out.String(project_path).Date(date).Bool(recursive).Int32(line_ending_mode);
}

void ProjectAtDateCommand::Decode(CInMessage& in) { reply = ReadCountedList(in, ReadListedItem); }

void LabelDateCommand::Encode(FieldWriter& out) const {
  out.String(project_path).String(label_name);
}

void LabelDateCommand::Decode(CInMessage& in) { reply = in.ReadDate(); }

}  // namespace qorv
