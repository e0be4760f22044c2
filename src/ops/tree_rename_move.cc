// RenameProject, RenameFile and MoveItem (tree_edits.h).
#include <utility>

#include "ops/report_texts.h"
#include "ops/tree_edit_steps.h"
#include "ops/tree_edits.h"
#include "protocol/tree_commands.h"

namespace qorv::ops {
namespace {

std::string RenamingHeading(const std::string& name, const std::string& new_name) {
  return kReportRenamingPrefix + name + kReportRenamingInfix + new_name + kReportEllipsis;
}

int32_t SendRename(const OperationContext& context, const std::string& path,
                   const std::string& new_name, OperationStatus* status) {
  RenameItemCommand command;
  command.item_path = path;
  command.new_name = new_name;
  return context.Run(command, status);
}

}  // namespace

int32_t RenameProject(const OperationContext& context, const std::string& parent_project,
                      const std::string& project_name, const std::string& new_name,
                      OperationStatus* status) {
  context.BeginOperation();
  const std::string old_path = JoinProjectPath(parent_project, project_name);
  const int32_t result = SendRename(context, old_path, new_name, status);
  context.driver.Report(RenamingHeading(project_name, new_name), status->description,
                        result == kResultOk);
  if (result != kResultOk || status->canceled) return result;

  TreeCacheUpdate cache(context);
  if (const int32_t locked = cache.Lock(status); locked != kResultOk) return locked;
  // A new name the cache cannot hold leaves the old node in place; the next
  // project tree update replaces it.
  if (cache.model().EnsureProject(old_path) != nullptr) {
    cache.model().RenameProject(old_path, JoinProjectPath(parent_project, new_name));
  }
  return cache.Save(status);
}

int32_t RenameFile(const OperationContext& context, const std::string& parent_project,
                   const std::string& file_name, const std::string& new_name,
                   OperationStatus* status) {
  context.BeginOperation();
  const std::string path = JoinProjectPath(parent_project, file_name);
  const std::string heading = RenamingHeading(file_name, new_name);
  const int32_t result = SendRename(context, path, new_name, status);
  if (result != kResultOk || status->canceled) {
    context.driver.Report(heading, status->description, false);
    return result;
  }
  const std::string description = status->description;

  TreeCacheUpdate cache(context);
  if (const int32_t locked = cache.Lock(status); locked != kResultOk) return locked;
  CacheModel& model = cache.model();
  model.EnsureProject(parent_project);
  if (const CacheFileEntry* old_entry = model.FindFile(path)) {
    CacheFileEntry entry = *old_entry;
    // Removed first: a rename that changes only the letter case names the
    // same entry.
    model.RemoveFile(path);
    // A new name the cache cannot hold is left out; the next file list
    // update brings the entry back.
    model.PutFile(JoinProjectPath(parent_project, new_name), std::move(entry));
  }
  if (const int32_t saved = cache.Save(status); saved != kResultOk) return saved;
  context.driver.Report(heading, description, true);
  return kResultOk;
}

int32_t MoveItem(const OperationContext& context, const std::string& item_path,
                 const std::string& target_project, OperationStatus* status) {
  MoveItemCommand command;
  command.item_path = item_path;
  command.target_project = target_project;
  return context.Run(command, status);
}

}  // namespace qorv::ops
