// qorv files PROJECT: the names of a project's files.
#include "cli/commands.h"
#include "cli/path_arguments.h"
#include "cli/project_listing.h"

namespace qorv::cli {
namespace {

Outcome RunFiles(CommandContext& context) {
  const std::string project = ServerPathArgument(context.arguments().front());
  std::vector<std::string> names;
  Outcome outcome = ReadFileNames(context.sdk(), project, &names);
  if (!outcome.ok()) return outcome;
  JsonValue list = JsonValue::Array();
  std::string text;
  for (const std::string& name : names) {
    list.Append(JsonValue::String(name));
    text += name + "\n";
  }
  context.SetResult(
      JsonValue::Object().Set("project", JsonValue::String(project)).Set("files", std::move(list)),
      text);
  return outcome;
}

}  // namespace

Command FilesCommand() {
  return {
      .name = "files",
      .synopsis = "PROJECT",
      .summary = "List the names of a project's files",
      .description =
          "One name per line, without status (see ls for that).\n"
          "JSON: data.project, data.files (names).",
      .min_arguments = 1,
      .max_arguments = 1,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunFiles,
  };
}

}  // namespace qorv::cli
