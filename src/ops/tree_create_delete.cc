// CreateProject and CreateProjects, DeleteProject and DeleteFiles
// (tree_edits.h).
#include <algorithm>
#include <utility>

#include "ops/report_texts.h"
#include "ops/tree_edit_steps.h"
#include "ops/tree_edits.h"
#include "protocol/tree_commands.h"

namespace qorv::ops {
namespace {

// Command 4's per-entry results.
constexpr int32_t kEntryCreated = 0;
constexpr int32_t kEntryAlreadyThere = 2;
constexpr int32_t kEntryFailed = 3;

}  // namespace

int32_t CreateProjects(const OperationContext& context, const std::vector<std::string>& full_paths,
                       const std::string& comment, OperationStatus* status) {
  OperationDriver& driver = context.driver;
  CreateProjectsCommand command;
  command.comment = comment;
  command.project_paths = full_paths;
  const int32_t result = context.Run(command, status);
  if (result != kResultOk) {
    driver.Report("", status->description, false);
    return result;
  }
  TreeCacheUpdate cache(context);
  if (const int32_t locked = cache.Lock(status); locked != kResultOk) return locked;
  const size_t count = std::min(command.reply.size(), full_paths.size());
  for (size_t i = 0; i < count; ++i) {
    const std::string& path = full_paths[i];
    const EntryResult& entry = command.reply[i];
    driver.Report(kReportCreatingProjectPrefix + path + kReportEllipsis, "", true);
    switch (entry.result) {
      case kEntryCreated:
        driver.Report("", kTextCompleted, true);
        break;
      case kEntryAlreadyThere:
        driver.Report("", entry.description, true);
        break;
      case kEntryFailed:
        driver.Report("", entry.description, false);
        // The projects created before this one are recorded; the outcome
        // is this project's failure whatever the save says.
        cache.Save(status, false);
        status->description = entry.description;
        return kResultCacheNodeFailed;
      default:
        // Not one of the three values of command 4: the server did not say
        // the project exists, so the cache does not record it.
        continue;
    }
    // A path the cache cannot hold gets no node; the other paths still do.
    cache.model().EnsureProject(path);
  }
  return cache.Save(status);
}

int32_t CreateProject(const OperationContext& context, const std::string& parent_project,
                      const std::string& new_project_name, const std::string& comment,
                      OperationStatus* status) {
  context.BeginOperation();
  std::string path = parent_project;
  if (path.empty() || path.back() != '/') path += '/';
  path += new_project_name;
  return CreateProjects(context, {std::move(path)}, comment, status);
}

int32_t DeleteProject(const OperationContext& context, const std::string& project_path,
                      bool destroy_permanently, OperationStatus* status, ItemResult* result) {
  OperationDriver& driver = context.driver;
  context.BeginOperation();
  DeleteItemsCommand command;
  command.destroy_permanently = destroy_permanently;
  command.item_paths = {project_path};
  const int32_t sent = context.Run(command, status);
  const std::string heading = kReportDeletingPrefix + project_path + kReportEllipsis;
  const bool answered = sent == kResultOk && !command.reply.empty();
  // A command that failed as a whole has no entry: the project's result is
  // then the command's.
  *result = answered
                ? ItemResult{project_path, command.reply[0].result, command.reply[0].description}
                : ItemResult{project_path, sent, status->description};
  driver.Report(heading, result->description, result->result == kResultOk);
  if (!answered || status->canceled) return sent;

  TreeCacheUpdate cache(context);
  if (const int32_t locked = cache.Lock(status); locked != kResultOk) return locked;
  for (const EntryResult& entry : command.reply) {
    driver.Report(heading, entry.description, entry.result == kResultOk);
    if (entry.result == kResultOk && cache.model().FindProject(project_path) != nullptr) {
      cache.model().DeleteProject(project_path);
    }
  }
  if (const int32_t saved = cache.Save(status); saved != kResultOk) return saved;
  // The one project is the whole operation: a project the server refused
  // fails the method with its own result instead of a success that only
  // the report lines contradict.
  if (result->result != kResultOk) {
    status->description = result->description;
    return result->result;
  }
  return sent;
}

int32_t DeleteFiles(const OperationContext& context, const std::vector<std::string>& file_paths,
                    bool destroy_permanently, OperationStatus* status,
                    std::vector<ItemResult>* results) {
  OperationDriver& driver = context.driver;
  context.BeginOperation();
  if (file_paths.empty()) {
    status->description = kTextCompleted;
    driver.Report("", kTextCompleted, true);
    return kResultOk;
  }
  DeleteItemsCommand command;
  command.destroy_permanently = destroy_permanently;
  command.item_paths = file_paths;
  const int32_t result = context.Run(command, status);
  if (result != kResultOk || status->canceled) {
    for (const std::string& path : file_paths) {
      results->push_back(ItemResult{path, result, status->description});
    }
    driver.Report(kReportDeletingFilesFailed, status->description, false);
    return result;
  }
  // The item results say what the server did, whatever happens to the cache.
  const size_t count = std::min(command.reply.size(), file_paths.size());
  for (size_t i = 0; i < count; ++i) {
    results->push_back(
        ItemResult{file_paths[i], command.reply[i].result, command.reply[i].description});
  }
  TreeCacheUpdate cache(context);
  if (const int32_t locked = cache.Lock(status); locked != kResultOk) return locked;
  for (size_t i = 0; i < count; ++i) {
    const std::string& path = file_paths[i];
    const EntryResult& entry = command.reply[i];
    driver.Report(kReportDeletingPrefix + path + kReportDeletingFileSuffix, entry.description,
                  entry.result == kResultOk);
    if (entry.result == kResultOk && cache.model().FindFile(path) != nullptr) {
      cache.model().RemoveFile(path);
    }
  }
  return cache.Save(status);
}

}  // namespace qorv::ops
