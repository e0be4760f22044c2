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

}  // namespace qorv::ops
