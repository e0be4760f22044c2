#include "ops/get_operations.h"

#include <utility>

#include "local/path_forms.h"
#include "local/working_folder.h"
#include "net/format_text.h"
#include "ops/cache_sync.h"
#include "ops/report_texts.h"
#include "protocol/query_commands.h"

namespace qorv::ops {
namespace {

FileGetPass PassOver(const std::vector<WorkingFile>& files, const GetOptions& options) {
  FileGetPass pass;
  pass.options = options;
  pass.items.reserve(files.size());
  for (const WorkingFile& file : files) {
    pass.items.push_back(PassItem{file.server_path, file.local_path, 0, std::nullopt});
  }
  return pass;
}

// The files of the project's cache entry with their paths below `folder`;
// false (with the refusal reported) for a name that would leave it.
bool TakeCachedFiles(const OperationContext& context, const std::string& project,
                     const std::string& folder, OperationStatus* status,
                     std::vector<WorkingFile>* files) {
  const CacheNode* node = context.cache() ? context.cache()->model().FindProject(project) : nullptr;
  if (node == nullptr) return true;
  for (const CacheFileEntry& file : node->files()) {
    LocalPathResult local = LocalPathBelow(folder, file.name);
    if (!local.ok()) {
      status->description = std::move(local.description);
      context.driver.Report("", status->description, false);
      return false;
    }
    files->push_back({JoinServerPath(project, file.name), std::move(local.path)});
  }
  return true;
}

// Every project at and below `node`, parents first, with their full paths.
void CollectProjects(const CacheNode& node, const std::string& path, int depth,
                     std::vector<std::string>* projects) {
  constexpr int kMaxDepth = 512;  // as deep as the cache merges a tree
  projects->push_back(path);
  if (depth >= kMaxDepth) return;
  for (size_t i = 0; i < node.sub_project_count(); ++i) {
    const CacheNode& sub_project = node.sub_project(i);
    CollectProjects(sub_project, JoinServerPath(path, sub_project.name()), depth + 1, projects);
  }
}

void ReportFolderFailure(const OperationContext& context, const std::string& project,
                         const std::string& folder, OperationStatus* status) {
  status->description = kTextErrorCreatingFolder + folder;
  context.driver.Report(kReportProjectPrefix + project + kReportEllipsis, status->description,
                        false);
}

// One project of GetLatestProjects: its files (and with `recursive` those
// of its sub-projects) added to `files`. False when the project is left out.
bool CollectProjectFiles(const OperationContext& context, const ProjectToGet& entry, bool recursive,
                         OperationStatus* status, std::vector<WorkingFile>* files) {
  if (CreateFolderPath(entry.local_folder) != kResultOk) {
    ReportFolderFailure(context, entry.project, entry.local_folder, status);
    return false;
  }
  if (!recursive) {
    if (UpdateFileList(context, entry.project, status) != kResultOk || status->canceled) {
      return false;
    }
    return TakeCachedFiles(context, entry.project, entry.local_folder, status, files);
  }
  if (UpdateProjectTree(context, entry.project, status) != kResultOk || status->canceled) {
    context.driver.Report(
        "", kReportProjectPrefix + entry.project + kReportProjectSeparator + status->description,
        false);
    return false;
  }
  std::vector<std::string> projects;
  if (const CacheNode* node = context.cache()->model().FindProject(entry.project)) {
    CollectProjects(*node, entry.project, 0, &projects);
  }
  for (const std::string& project : projects) {
    std::string folder = entry.local_folder;
    if (project != entry.project) {
      LocalPathResult mapped = MappedLocalPath(entry.project, entry.local_folder, project);
      if (!mapped.ok()) {
        status->description = std::move(mapped.description);
        context.driver.Report("", status->description, false);
        continue;
      }
      folder = std::move(mapped.path);
    }
    if (CreateFolderPath(folder) != kResultOk) {
      ReportFolderFailure(context, project, folder, status);
      continue;
    }
    if (UpdateFileList(context, project, status) != kResultOk || status->canceled) continue;
    TakeCachedFiles(context, project, folder, status, files);
  }
  return true;
}

// The dated get: the listing of the project at the point (70 or 71), then
// the pass over its files with the point's form of fetch.
template <class Listing>
int32_t DatedGet(const OperationContext& context, Listing& listing, FileGetPass& pass,
                 const std::string& local_folder, OperationStatus* status,
                 std::vector<ItemResult>* results) {
  listing.project_path = pass.project_path;
  listing.recursive = pass.recursive;
  listing.line_ending_mode = pass.options.eol;
  const int32_t result = context.Run(listing, status);
  if (result != kResultOk || status->canceled) {
    context.driver.SetPercentDone(100);
    context.driver.Report(
        "",
        kReportGettingPrefix + pass.project_path + kReportProjectSeparator + status->description,
        false);
    return result;
  }
  for (const ListedItem& item : listing.reply) {
    if (item.is_project) continue;
    const std::string server_path = JoinServerPath(pass.project_path, item.item_name);
    LocalPathResult local = LocalPathBelow(local_folder, item.item_name);
    if (!local.ok()) {
      results->push_back(ItemResult{server_path, local.result, local.description});
      context.driver.Report(
          "", kReportGettingPrefix + server_path + kReportItemSuffix + local.description, false);
      continue;
    }
    ServerFileState state;
    state.version = item.version;
    state.digest = item.digest;
    state.checked_out_by_user = item.checked_out_by_you;
    pass.items.push_back(PassItem{server_path, std::move(local.path), 0, std::move(state)});
  }
  return RunFileGetPass(context, pass, status, results);
}

FileGetPass DatedPass(const std::string& project, bool recursive, const GetOptions& options) {
  FileGetPass pass;
  pass.options = options;
  pass.project_path = project;
  pass.recursive = recursive;
  return pass;
}

}  // namespace

int32_t GetLatestFiles(const OperationContext& context, const std::vector<WorkingFile>& files,
                       const GetOptions& options, OperationStatus* status,
                       std::vector<ItemResult>* results) {
  context.BeginOperation();
  FileGetPass pass = PassOver(files, options);
  return RunFileGetPass(context, pass, status, results);
}

int32_t GetLatestProject(const OperationContext& context, const std::string& project,
                         const std::string& local_folder, bool recursive, const GetOptions& options,
                         OperationStatus* status, std::vector<ItemResult>* results) {
  context.BeginOperation();
  WalkRequest walk;
  walk.project = project;
  walk.local_folder = local_folder;
  walk.recursive = recursive;
  std::vector<WorkingFile> files;
  const int32_t result = WalkProject(context, walk, status, &files);
  if (result != kResultOk || status->canceled) return result;
  FileGetPass pass = PassOver(files, options);
  return RunFileGetPass(context, pass, status, results);
}

int32_t GetLatestProjects(const OperationContext& context,
                          const std::vector<ProjectToGet>& projects, bool recursive,
                          const GetOptions& options, OperationStatus* status,
                          std::vector<ItemResult>* results) {
  context.BeginOperation();
  std::vector<WorkingFile> files;
  for (const ProjectToGet& entry : projects) {
    CollectProjectFiles(context, entry, recursive, status, &files);
    if (status->canceled) return kResultRequestCanceled;
  }
  FileGetPass pass = PassOver(files, options);
  return RunFileGetPass(context, pass, status, results);
}

int32_t GetProjectByLabel(const OperationContext& context, const std::string& project,
                          const std::string& local_folder, const std::string& label, bool recursive,
                          const GetOptions& options, OperationStatus* status,
                          std::vector<ItemResult>* results) {
  context.BeginOperation();
  LabelDateCommand label_date;
  label_date.project_path = project;
  label_date.label_name = label;
  const int32_t result = context.Run(label_date, status);
  if (result != kResultOk || status->canceled) {
    context.driver.Report(kReportGettingPrefix + project + kReportLabelHeadingSuffix,
                          status->description, false);
    return result;
  }
  FileGetPass pass = DatedPass(project, recursive, options);
  pass.form = GetFilesForm::kAtDate;
  pass.date = label_date.reply;
  ProjectAtDateCommand listing;
  listing.date = label_date.reply;
  return DatedGet(context, listing, pass, local_folder, status, results);
}

int32_t GetProjectByVersion(const OperationContext& context, const std::string& project,
                            const std::string& local_folder, int32_t version, bool recursive,
                            const GetOptions& options, OperationStatus* status,
                            std::vector<ItemResult>* results) {
  context.BeginOperation();
  FileGetPass pass = DatedPass(project, recursive, options);
  pass.form = GetFilesForm::kAtVersion;
  pass.project_version = version;
  ProjectAtVersionCommand listing;
  listing.version = version;
  return DatedGet(context, listing, pass, local_folder, status, results);
}

int32_t GetOldVersionFile(const OperationContext& context, const std::string& project,
                          const std::string& file_name, int32_t version,
                          const std::string& local_name, const GetOptions& options,
                          OperationStatus* status, ItemResult* result) {
  context.BeginOperation();
  const std::string server_path = JoinServerPath(project, file_name);
  result->item_full_name = server_path;
  auto fail = [&](int32_t code, std::string description, std::string heading) {
    status->description = std::move(description);
    context.driver.SetPercentDone(100);
    context.driver.Report(heading, status->description, false);
    result->result = code;
    result->description = status->description;
    return code;
  };
  if (LocalNameTooLong(local_name)) {
    return fail(kResultLocalNameTooLong, FormatText(kFormatLocalNameTooLong, local_name.c_str()),
                kReportGettingFilePrefix + server_path + kReportEllipsis);
  }
  const std::string folder = SplitLocalPath(local_name).parent;
  if (!folder.empty() && CreateFolderPath(folder) != kResultOk) {
    return fail(kResultCreateFolderFailed, kPrefixFailedToCreate + folder, "");
  }
  if (IsDirectory(local_name)) {
    const std::string why = kTextFolderInTheWayLowerPrefix + local_name + kTextAlreadyExistsSuffix;
    status->description = why;
    context.driver.SetPercentDone(100);
    context.driver.Report("", kReportGettingPrefix + server_path + kReportItemMergeSuffix + why,
                          false);
    result->result = kResultNameInTheWay;
    result->description = why;
    return kResultNameInTheWay;
  }
  FileGetPass pass;
  pass.options = options;
  pass.items.push_back(PassItem{server_path, local_name, version, std::nullopt});
  std::vector<ItemResult> results;
  int32_t outcome = RunFileGetPass(context, pass, status, &results);
  if (!results.empty()) *result = std::move(results.front());
  // The one file is the whole operation: a file the pass could not get (no
  // such version, a failed transfer) fails the method with its own result
  // instead of a success that only a report line contradicts.
  if (outcome == kResultOk && result->result != kResultOk) {
    status->description = result->description;
    outcome = result->result;
  }
  return outcome;
}

}  // namespace qorv::ops
