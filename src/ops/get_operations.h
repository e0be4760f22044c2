// The get operations: the latest version of a list of files, of a project
// or of several projects, a project at a label or at a project version, and
// one old version of one file. Each begins the operation (cancel flag
// cleared, keep-alive ping), collects its files and runs the file-get pass
// (file_get_pass.h) over them; the item results come in the pass's order.
#ifndef QORV_OPS_GET_OPERATIONS_H_
#define QORV_OPS_GET_OPERATIONS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "ops/file_get_pass.h"
#include "ops/item_result.h"
#include "ops/operation_context.h"
#include "ops/project_walk.h"

namespace qorv::ops {

// GetLatestFiles: the pass over the pairs as given.
int32_t GetLatestFiles(const OperationContext& context, const std::vector<WorkingFile>& files,
                       const GetOptions& options, OperationStatus* status,
                       std::vector<ItemResult>* results);

// GetLatestProject: the project walk (fixed sub-folders, folders created),
// then the pass.
int32_t GetLatestProject(const OperationContext& context, const std::string& project,
                         const std::string& local_folder, bool recursive, const GetOptions& options,
                         OperationStatus* status, std::vector<ItemResult>* results);

// A project of GetLatestProjects and the local folder it goes to.
struct ProjectToGet {
  std::string project;
  std::string local_folder;
};

// GetLatestProjects: per project in order, its local folder created
// (failure: heading "Getting project <project>...", outcome "Error creating
// folder <folder>", and the next project follows); without `recursive` its
// file list brought up to date (cache_sync.h) and its files taken; with
// `recursive` its project tree brought up to date (failure: outcome
// "Getting project <project>... : <description>") and, for the project and
// every sub-project at every depth, the folder that maps it below the
// project's folder created, its file list brought up to date and its files
// taken. Then one pass over all of them.
int32_t GetLatestProjects(const OperationContext& context,
                          const std::vector<ProjectToGet>& projects, bool recursive,
                          const GetOptions& options, OperationStatus* status,
                          std::vector<ItemResult>* results);

// GetProjectByLabel: the label resolved to its date on the project
// (command 112; failure: heading "Getting <project>... ", outcome the
// description), then the dated get at that date.
int32_t GetProjectByLabel(const OperationContext& context, const std::string& project,
                          const std::string& local_folder, const std::string& label, bool recursive,
                          const GetOptions& options, OperationStatus* status,
                          std::vector<ItemResult>* results);

// GetProjectByVersion: the dated get at the project version.
int32_t GetProjectByVersion(const OperationContext& context, const std::string& project,
                            const std::string& local_folder, int32_t version, bool recursive,
                            const GetOptions& options, OperationStatus* status,
                            std::vector<ItemResult>* results);

// GetOldVersionFile: server path project + "/" + file; a local name of 260
// characters or more fails with 30005 (heading "Getting file <path>...");
// the local folder created ("Failed to create <folder>"); a local name that
// is a folder fails with 30012 ("a folder with the name <name> already
// exists"); then the pass for that one file at `version`. *result holds
// the file's item result; when that file failed, so does the operation,
// with its result and description.
int32_t GetOldVersionFile(const OperationContext& context, const std::string& project,
                          const std::string& file_name, int32_t version,
                          const std::string& local_name, const GetOptions& options,
                          OperationStatus* status, ItemResult* result);

}  // namespace qorv::ops

#endif  // QORV_OPS_GET_OPERATIONS_H_
