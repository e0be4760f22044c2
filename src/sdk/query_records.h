// What the queries list, as the records of the result items handed to the
// caller: one ToRecord overload per list element and collection element.
// HandOut (method_call.h) picks the overload by the collection's record.
#ifndef QORV_SDK_QUERY_RECORDS_H_
#define QORV_SDK_QUERY_RECORDS_H_

#include <string>

#include "ops/cache_queries.h"
#include "protocol/query_commands.h"
#include "sdk/item_records.h"

namespace qorv::sdk {

void ToRecord(const ProjectHistoryEntry& entry, ProjectHistoryRecord* record);
void ToRecord(const FileHistoryEntry& entry, FileHistoryRecord* record);
void ToRecord(const DeletedItem& item, DeletedItemRecord* record);
void ToRecord(const std::string& link, FileLinkRecord* record);
void ToRecord(const std::string& alias, DatabaseAliasRecord* record);
void ToRecord(const std::string& name, SubProjectsFromParentRecord* record);
void ToRecord(const std::string& name, FilesByProjectRecord* record);
void ToRecord(const ops::FileListEntry& file, FileListRecord* record);

}  // namespace qorv::sdk

#endif  // QORV_SDK_QUERY_RECORDS_H_
