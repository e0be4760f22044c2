// qorv projects [PROJECT]: the sub-projects of a project.
#include "cli/commands.h"
#include "cli/path_arguments.h"
#include "cli/project_listing.h"

namespace qorv::cli {
namespace {

Outcome RunProjects(CommandContext& context) {
  const std::string project =
      ServerPathArgument(context.arguments().empty() ? "" : context.arguments().front());
  std::vector<std::string> names;
  Outcome outcome = ReadSubProjects(context.sdk(), project, &names);
  if (!outcome.ok()) return outcome;
  JsonValue list = JsonValue::Array();
  std::string text;
  for (const std::string& name : names) {
    list.Append(JsonValue::String(name));
    text += name + "\n";
  }
  context.SetResult(JsonValue::Object()
                        .Set("project", JsonValue::String(project))
                        .Set("projects", std::move(list)),
                    text);
  return outcome;
}

}  // namespace

Command ProjectsCommand() {
  return {
      .name = "projects",
      .aliases = {"subprojects"},
      .synopsis = "[PROJECT]",
      .summary = "List the names of a project's sub-projects",
      .description =
          "One name per line. PROJECT defaults to the root \"$/\".\n"
          "JSON: data.project, data.projects (names).",
      .min_arguments = 0,
      .max_arguments = 1,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunProjects,
  };
}

}  // namespace qorv::cli
