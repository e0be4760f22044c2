// qorv rename PATH NAME: gives a file or project a new name in its project.
#include "cli/commands.h"
#include "cli/item_kind.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"
#include "cli/tree_edit_run.h"

namespace qorv::cli {
namespace {

Outcome RunRename(CommandContext& context) {
  EditRun run(context);
  const std::string path = ServerPathArgument(context.arguments()[0]);
  const std::string& new_name = context.arguments()[1];
  bool is_project = false;
  Outcome outcome = ResolveIsProject(context, path, &is_project);
  if (!outcome.ok()) return outcome;
  if (context.interrupted()) return Outcome::Interrupted();
  // Both methods take the parent project, the old name and the new one.
  qorvsdk::Bstr parent(ParentPath(path)), name(LeafName(path)), renamed(new_name);
  qorvsdk::OperationStatus status;
  IQORVSDK* sdk = context.sdk();
  const HRESULT hr = is_project ? sdk->RenameProject(parent.get(), name.get(), renamed.get(),
                                                     status.description.Receive(), &status.value)
                                : sdk->RenameFile(parent.get(), name.get(), renamed.get(),
                                                  status.description.Receive(), &status.value);
  outcome = CallOutcome(is_project ? "RenameProject" : "RenameFile", Step::kOperation, hr, status);
  const std::string new_path = JoinServerPath(ParentPath(path), new_name);
  return run.Finish("renamed", std::move(outcome), {},
                    JsonValue::Object()
                        .Set("path", JsonValue::String(path))
                        .Set("renamed", JsonValue::String(new_path))
                        .Set("kind", JsonValue::String(is_project ? "project" : "file")),
                    path + " -> " + new_path + "\n");
}

Outcome CheckRename(CommandContext& context) {
  const std::string path = ServerPathArgument(context.arguments()[0]);
  const std::string& name = context.arguments()[1];
  if (path == "$" || path == "$/") return Outcome::Usage("rename: the root project has no name");
  // The new name is a name, not a path: the item stays in its project.
  const std::string problem = ServerPathProblem(name);
  if (name.empty() || name.find('/') != std::string::npos || name == "$" || !problem.empty()) {
    return Outcome::Usage("rename: \"" + name +
                          "\" is not a name; give the new name alone (mv moves an item into "
                          "another project)");
  }
  return CheckItemKindOptions(context);
}

}  // namespace

Command RenameCommand() {
  return {
      .name = "rename",
      .aliases = {"ren"},
      .synopsis = "PATH NAME",
      .summary = "Give a file or project a new name",
      .description =
          "Renames the file or project PATH to NAME in the same project\n"
          "(RenameFile or RenameProject). Whether PATH is a project is asked of the\n"
          "server unless --project or --file says so.\n"
          "JSON: data.path, data.renamed (the new path), data.kind and data.items\n"
          "(empty).",
      .options = {ProjectOptionSpec(), FileOptionSpec()},
      .min_arguments = 2,
      .max_arguments = 2,
      .argument_kinds = {ArgumentKind::kServerPath, ArgumentKind::kText},
      .need = ServerNeed::kLogin,
      .run = RunRename,
      .check = CheckRename,
  };
}

}  // namespace qorv::cli
