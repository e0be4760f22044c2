// qorv mv PATH PROJECT: moves a file or project into another project.
#include "cli/commands.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"
#include "cli/tree_edit_run.h"

namespace qorv::cli {
namespace {

Outcome RunMv(CommandContext& context) {
  EditRun run(context);
  const std::vector<std::string> paths = ServerPaths(context.arguments());
  qorvsdk::Bstr item(paths[0]), target(paths[1]);
  qorvsdk::OperationStatus status;
  const HRESULT hr = context.sdk()->MoveItem(item.get(), target.get(), &status.canceled,
                                             status.description.Receive(), &status.value);
  const std::string moved = JoinServerPath(paths[1], LeafName(paths[0]));
  return run.Finish("moved", CallOutcome("MoveItem", Step::kOperation, hr, status), {},
                    JsonValue::Object()
                        .Set("path", JsonValue::String(paths[0]))
                        .Set("target", JsonValue::String(paths[1]))
                        .Set("moved", JsonValue::String(moved)),
                    paths[0] + " -> " + moved + "\n");
}

Outcome CheckMv(CommandContext& context) {
  const std::vector<std::string> paths = ServerPaths(context.arguments());
  if (paths[0] == "$" || paths[0] == "$/") {
    return Outcome::Usage("mv: the root project cannot be moved");
  }
  return Outcome::Success();
}

}  // namespace

Command MvCommand() {
  return {
      .name = "mv",
      .aliases = {"move"},
      .synopsis = "PATH PROJECT",
      .summary = "Move a file or project into another project",
      .description =
          "Moves the file or project PATH into PROJECT (MoveItem), where it keeps\n"
          "its name; rename gives an item a new name in its own project.\n"
          "JSON: data.path, data.target, data.moved (the new path) and data.items\n"
          "(empty).",
      .min_arguments = 2,
      .max_arguments = 2,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunMv,
      .check = CheckMv,
  };
}

}  // namespace qorv::cli
