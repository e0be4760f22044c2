// qorv rm PATH...: deletes files and projects on the server, recoverable
// unless --destroy.
#include "cli/commands.h"
#include "cli/item_kind.h"
#include "cli/sdk_call.h"
#include "cli/tree_edit_run.h"

namespace qorv::cli {
namespace {

Outcome DeleteFiles(IQORVSDK* sdk, const std::vector<std::string>& files, bool destroy,
                    std::vector<OperationItem>* items) {
  qorvsdk::ComPtr<IQORVDeleteFileSet> set;
  Outcome outcome = BuildPathSet(
      {CLSID_QORVDeleteFileSet, IID_IQORVDeleteFileSet, "QORVDeleteFileSet"}, files, &set);
  if (!outcome.ok()) return outcome;
  qorvsdk::OperationStatus status;
  qorvsdk::ComPtr<IQORVOperationResultSet> results;
  const HRESULT hr =
      sdk->DeleteFiles(set.get(), VariantBool(destroy), &status.canceled,
                       status.description.Receive(), results.Receive(), &status.value);
  return ReadOperationItems(CallOutcome("DeleteFiles", Step::kOperation, hr, status), results.get(),
                            items);
}

// DeleteProject writes its single result into an object the caller made.
Outcome DeleteProject(IQORVSDK* sdk, const std::string& project, bool destroy,
                      std::vector<OperationItem>* items) {
  qorvsdk::ComPtr<IQORVOperationResult> result;
  Outcome outcome = CreateSdkObject(CLSID_QORVOperationResult, IID_IQORVOperationResult,
                                    "QORVOperationResult", &result);
  if (!outcome.ok()) return outcome;
  qorvsdk::Bstr path(project);
  qorvsdk::OperationStatus status;
  const HRESULT hr = sdk->DeleteProject(path.get(), VariantBool(destroy), &status.canceled,
                                        status.description.Receive(), result.get(), &status.value);
  outcome = CallOutcome("DeleteProject", Step::kOperation, hr, status);
  if (SUCCEEDED(hr)) items->push_back(ReadOperationItem(result.get()));
  return outcome;
}

Outcome RunRm(CommandContext& context) {
  EditRun run(context);
  const bool destroy = context.options().Has("destroy");
  std::vector<std::string> files, projects;
  Outcome outcome = SortServerPaths(context, ServerPaths(context.arguments()), &files, &projects);
  if (!outcome.ok()) return outcome;
  std::vector<OperationItem> items;
  if (!files.empty()) {
    if (context.interrupted()) return Outcome::Interrupted();
    outcome = DeleteFiles(context.sdk(), files, destroy, &items);
  }
  for (const std::string& project : projects) {
    if (!outcome.ok()) break;
    if (context.interrupted()) return Outcome::Interrupted();
    outcome = DeleteProject(context.sdk(), project, destroy, &items);
  }
  std::string text;
  for (const std::string& path : projects) text += "deleted " + path + "/\n";
  for (const std::string& path : files) text += "deleted " + path + "\n";
  return run.Finish(destroy ? "destroyed" : "deleted", std::move(outcome), items,
                    PathsJson(ServerPaths(context.arguments())), text);
}

Outcome CheckRm(CommandContext& context) {
  for (const std::string& path : ServerPaths(context.arguments())) {
    if (path == "$" || path == "$/")
      return Outcome::Usage("rm: the root project cannot be deleted");
  }
  return CheckItemKindOptions(context);
}

}  // namespace

Command RmCommand() {
  return {
      .name = "rm",
      .aliases = {"delete"},
      .synopsis = "PATH...",
      .summary = "Delete files and projects",
      .description =
          "Deletes each PATH on the server: a project with everything below it.\n"
          "A deleted item stays in its project's deleted items (qorv deleted),\n"
          "from where recover brings it back and purge removes it for good.\n"
          "--destroy deletes for good at once. Whether a PATH is a project is\n"
          "asked of the server unless --project or --file says so; the files go\n"
          "in one call, then each project in one of its own.\n"
          "JSON: data.paths and data.items.",
      .options = {{"destroy", 0, nullptr,
                   "Delete for good (DestroyPermanently): the items\ncannot be recovered."},
                  ProjectOptionSpec(),
                  FileOptionSpec()},
      .min_arguments = 1,
      .max_arguments = kAnyNumber,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunRm,
      .check = CheckRm,
  };
}

}  // namespace qorv::cli
