// qorv mkdir PROJECT...: creates projects on the server.
#include "cli/commands.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"
#include "cli/tree_edit_run.h"

namespace qorv::cli {
namespace {

Outcome RunMkdir(CommandContext& context) {
  EditRun run(context);
  const std::vector<std::string> paths = ServerPaths(context.arguments());
  const qorvsdk::Bstr comment(context.options().Value("comment").value_or(""));
  std::string text;
  for (const std::string& path : paths) {
    if (context.interrupted()) return Outcome::Interrupted();
    // CreateProject takes the parent and the new project's name.
    qorvsdk::Bstr parent(ParentPath(path)), name(LeafName(path));
    qorvsdk::OperationStatus status;
    const HRESULT hr = context.sdk()->CreateProject(parent.get(), name.get(), comment.get(),
                                                    status.description.Receive(), &status.value);
    Outcome outcome = CallOutcome("CreateProject", Step::kOperation, hr, status);
    if (!outcome.ok()) return outcome;
    text += "created " + path + "\n";
  }
  return run.Finish("created", Outcome::Success(), {}, PathsJson(paths), text);
}

Outcome CheckMkdir(CommandContext& context) {
  for (const std::string& path : ServerPaths(context.arguments())) {
    if (path == "$" || path == "$/") {
      return Outcome::Usage("mkdir: the root project $/ exists always");
    }
  }
  return Outcome::Success();
}

}  // namespace

Command MkdirCommand() {
  return {
      .name = "mkdir",
      .synopsis = "PROJECT...",
      .summary = "Create projects",
      .description =
          "Creates each PROJECT below its parent project, which must exist; the\n"
          "projects are created in the order given, so \"A A/B\" creates both.\n"
          "A project that exists already is reported and left as it is.\n"
          "JSON: data.paths and data.items (empty).",
      .options = {{"comment", 'm', "TEXT", "The comment of the new projects."}},
      .min_arguments = 1,
      .max_arguments = kAnyNumber,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunMkdir,
      .check = CheckMkdir,
  };
}

}  // namespace qorv::cli
