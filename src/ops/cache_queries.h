// The queries that answer from the local cache after bringing the project's
// part of it up to date from the server: sub-projects, file names, and file
// records with status. Lists come in the cache's order for the project (no
// sorting) and stay empty on any failure.
#ifndef QORV_OPS_CACHE_QUERIES_H_
#define QORV_OPS_CACHE_QUERIES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "ops/operation_context.h"

namespace qorv::ops {

// A file of GetFileListFromProject, from the project's cache entry.
struct FileListEntry {
  std::string file_name;
  double latest_version = 0;  // the time of the file's latest version; 0 when unknown
  std::string user_name;      // holders of check-outs; "..." appended for several
  int32_t file_status = 0;    // Enum_FileStatus
  int32_t version_number = 0;
};

// The operation begun (cancel reset, keep-alive ping); the parent's cache node made sure of
// (30006 with an empty description when it cannot be); the project tree
// update of the parent; the leaf names of its sub-projects.
int32_t GetSubProjectsFromParent(const OperationContext& context, const std::string& parent_project,
                                 OperationStatus* status, std::vector<std::string>* names);

// The operation begun (cancel reset, keep-alive ping); the project's cache node made sure of
// (30006 with an empty description when it cannot be); the file list update
// of the project; the names of its file entries.
int32_t GetFilesByProject(const OperationContext& context, const std::string& project_path,
                          OperationStatus* status, std::vector<std::string>* names);

// The operation begun; the file list update of the project; one record per
// file entry.
int32_t GetFileListFromProject(const OperationContext& context, const std::string& project_path,
                               OperationStatus* status, std::vector<FileListEntry>* files);

}  // namespace qorv::ops

#endif  // QORV_OPS_CACHE_QUERIES_H_
