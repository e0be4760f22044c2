#include "sdk/query_records.h"

namespace qorv::sdk {

void ToRecord(const ProjectHistoryEntry& entry, ProjectHistoryRecord* record) {
  *record = ProjectHistoryRecord{entry.file_name, entry.is_project, entry.version,
                                 entry.user_name, entry.date,       entry.action,
                                 entry.label,     entry.comment,    entry.label_comment};
}

void ToRecord(const FileHistoryEntry& entry, FileHistoryRecord* record) {
  *record =
      FileHistoryRecord{entry.version,       entry.user_name, entry.date,
                        entry.action,        entry.label,     entry.comment,
                        entry.label_comment, entry.pinned,    entry.inherit_label_from_parent};
}

void ToRecord(const DeletedItem& item, DeletedItemRecord* record) {
  *record = DeletedItemRecord{item.item_name, item.is_project};
}

void ToRecord(const std::string& link, FileLinkRecord* record) { record->file_link = link; }

void ToRecord(const std::string& alias, DatabaseAliasRecord* record) {
  record->database_name = alias;
}

void ToRecord(const std::string& name, SubProjectsFromParentRecord* record) {
  record->sub_project_name = name;
}

void ToRecord(const std::string& name, FilesByProjectRecord* record) { record->file_name = name; }

void ToRecord(const ops::FileListEntry& file, FileListRecord* record) {
  *record = FileListRecord{file.file_name, file.latest_version, file.user_name,
                           static_cast<Enum_FileStatus>(file.file_status), file.version_number};
}

}  // namespace qorv::sdk
