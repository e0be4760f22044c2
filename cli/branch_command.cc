// qorv branch PATH: ends the sharing of a shared file or project, which
// from then on has a history of its own.
#include "cli/commands.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"
#include "cli/tree_edit_run.h"

namespace qorv::cli {
namespace {

Outcome RunBranch(CommandContext& context) {
  EditRun run(context);
  const std::string path = ServerPathArgument(context.arguments()[0]);
  qorvsdk::Bstr item(path), comment(context.options().Value("comment").value_or(""));
  qorvsdk::OperationStatus status;
  const HRESULT hr = context.sdk()->Branch(item.get(), comment.get(), &status.canceled,
                                           status.description.Receive(), &status.value);
  return run.Finish("branched", CallOutcome("Branch", Step::kOperation, hr, status), {},
                    PathsJson({path}), "branched " + path + "\n");
}

}  // namespace

Command BranchCommand() {
  return {
      .name = "branch",
      .synopsis = "PATH",
      .summary = "Branch a shared file or project",
      .description =
          "Branches the shared file or project PATH (Branch): it stops sharing its\n"
          "versions with the other places it is shared in.\n"
          "JSON: data.paths and data.items (empty).",
      .options = {{"comment", 'm', "TEXT", "The comment of the branch."}},
      .min_arguments = 1,
      .max_arguments = 1,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunBranch,
  };
}

}  // namespace qorv::cli
