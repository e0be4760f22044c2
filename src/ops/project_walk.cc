#include "ops/project_walk.h"

#include <utility>

#include "local/path_forms.h"
#include "local/working_folder.h"
#include "ops/contents_sync.h"
#include "ops/report_texts.h"
#include "protocol/query_commands.h"

namespace qorv::ops {
namespace {

// No real project tree comes near this many levels; deeper ones are not
// walked, so that a tree from the server cannot exhaust the stack.
constexpr int kMaxWalkDepth = 512;

class Walker {
 public:
  Walker(const OperationContext& context, const WalkRequest& request, OperationStatus* status,
         std::vector<WorkingFile>* files)
      : context_(context), request_(request), status_(status), files_(files) {}

  // Steps 2 to 4 for one project whose cache node is `node`.
  int32_t Walk(const std::string& project, const std::string& folder, const CacheNode& node,
               int depth) {
    if (request_.create_folders && CreateFolderPath(folder) != kResultOk) {
      status_->description = kTextErrorCreatingFolder + folder;
      context_.driver.Report(
          "",
          std::string(VerbOf(request_.kind)) + " " + project + kReportErrorCreatingFolder + folder,
          false);
      return kResultCreateFolderFailed;
    }
    for (const CacheFileEntry& file : node.files()) {
      LocalPathResult local = LocalPathBelow(folder, file.name);
      if (!local.ok()) return Refuse(std::move(local));
      files_->push_back({JoinServerPath(project, file.name), std::move(local.path)});
    }
    if (!request_.recursive || depth >= kMaxWalkDepth) return kResultOk;
    for (size_t i = 0; i < node.sub_project_count(); ++i) {
      const CacheNode& sub_project = node.sub_project(i);
      const std::string path = JoinServerPath(project, sub_project.name());
      if (sub_project.cloaked()) {
        context_.driver.Report("", std::string(VerbOf(request_.kind)) + " " + path + kReportCloaked,
                               false);
        continue;
      }
      LocalPathResult sub_folder = SubFolder(path, folder, sub_project.name());
      if (!sub_folder.ok()) return Refuse(std::move(sub_folder));
      const int32_t result = Walk(path, sub_folder.path, sub_project, depth + 1);
      if (result != kResultOk) return result;
    }
    return kResultOk;
  }

 private:
  LocalPathResult SubFolder(const std::string& path, const std::string& parent_folder,
                            const std::string& name) const {
    if (!request_.fixed_sub_folders) {
      LocalPathResult held = context_.cache()->model().WorkingFolderOf(path);
      if (!held.ok() || !held.path.empty()) return held;
    }
    return LocalPathBelow(parent_folder, name);
  }

  int32_t Refuse(LocalPathResult refused) {
    status_->description = std::move(refused.description);
    context_.driver.Report("", status_->description, false);
    return refused.result;
  }

  const OperationContext& context_;
  const WalkRequest& request_;
  OperationStatus* status_;
  std::vector<WorkingFile>* files_;
};

}  // namespace

const char* VerbOf(OperationKind kind) {
  switch (kind) {
    case OperationKind::kGet:
      return kVerbGetting;
    case OperationKind::kCheckOut:
      return kVerbCheckingOut;
    case OperationKind::kCheckIn:
      return kVerbCheckingIn;
    case OperationKind::kUndoCheckOut:
      return kVerbUndoingCheckOut;
  }
  return kVerbGetting;
}

int32_t WalkProject(const OperationContext& context, const WalkRequest& request,
                    OperationStatus* status, std::vector<WorkingFile>* files) {
  ProjectContentsCommand command;
  command.project_path = request.project;
  command.recursive = request.recursive;
  context.driver.Report(kReportSubItemsInfo, "", true);
  int32_t result = context.Run(command, status);
  context.driver.Report("", status->description, result == kResultOk);
  if (result != kResultOk || status->canceled) return result;
  result = StoreProjectContents(context, request.project, command.reply, request.recursive, status);
  if (result != kResultOk) return result;
  const CacheNode* node = context.cache()->model().FindProject(request.project);
  if (node == nullptr) {
    status->description = kPrefixFailedToCreate + request.project;
    return kResultCacheNodeFailed;
  }
  Walker walker(context, request, status, files);
  return walker.Walk(request.project, request.local_folder, *node, 0);
}

}  // namespace qorv::ops
