// qorv get PATH...: files and projects from the server into a local folder,
// the latest versions or a project at a label or version, or one old
// version of a file.
#include "cli/commands.h"
#include "cli/get_calls.h"
#include "cli/get_options.h"
#include "cli/path_arguments.h"

namespace qorv::cli {
namespace {

const char* ModeName(GetMode mode) {
  switch (mode) {
    case GetMode::kLatest:
      return "latest";
    case GetMode::kLabel:
      return "label";
    case GetMode::kVersion:
      return "version";
    case GetMode::kOldVersion:
      return "old-version";
  }
  return "latest";
}

Outcome CheckGet(CommandContext& context) {
  GetSettings settings;
  Outcome outcome = ReadGetSettings(context.options(), context.arguments().size(), &settings);
  if (!outcome.ok()) return outcome;
  return CheckDistinctTargets("get", settings.local_folder, context.arguments());
}

ItemTarget TargetOf(const GetSettings& settings, const std::string& argument) {
  const std::string path = ServerPathArgument(argument);
  return {path, LocalTarget(settings.local_folder, path)};
}

// The latest versions: the files in one call, the projects in another.
Outcome GetLatest(CommandContext& context, const GetSettings& settings,
                  std::vector<ItemTarget>* files, std::vector<ItemTarget>* projects,
                  std::vector<OperationItem>* items) {
  Outcome outcome = SortTargets(context, settings.local_folder, files, projects);
  if (!outcome.ok()) return outcome;
  if (!files->empty()) {
    if (context.interrupted()) return Outcome::Interrupted();
    outcome = CallGetLatestFiles(context.sdk(), settings, *files, items);
    if (!outcome.ok()) return outcome;
  }
  if (!projects->empty()) {
    if (context.interrupted()) return Outcome::Interrupted();
    outcome = CallGetLatestProjects(context.sdk(), settings, *projects, items);
  }
  return outcome;
}

void SetGetResult(CommandContext& context, const GetSettings& settings,
                  const std::vector<ItemTarget>& files, const std::vector<ItemTarget>& projects,
                  const std::vector<OperationItem>& items) {
  std::string text;
  JsonValue targets = TargetsJson(files, projects, &text);
  context.SetResult(JsonValue::Object()
                        .Set("folder", JsonValue::String(settings.local_folder))
                        .Set("mode", JsonValue::String(ModeName(settings.mode)))
                        .Set("targets", std::move(targets))
                        .Set("items", ItemsJson(items)),
                    text);
}

Outcome RunGet(CommandContext& context) {
  GetSettings settings;
  Outcome outcome = ReadGetSettings(context.options(), context.arguments().size(), &settings);
  if (!outcome.ok()) return outcome;
  std::vector<ItemTarget> files, projects;
  std::vector<OperationItem> items;
  const size_t failed_before = context.console().failed_report_lines();
  switch (settings.mode) {
    case GetMode::kOldVersion:
      files.push_back(TargetOf(settings, context.arguments().front()));
      outcome = CallGetOldVersionFile(context.sdk(), settings, files.front(), &items);
      break;
    case GetMode::kLabel:
    case GetMode::kVersion:
      projects.push_back(TargetOf(settings, context.arguments().front()));
      outcome = CallGetDatedProject(context.sdk(), settings, projects.front(), &items);
      break;
    case GetMode::kLatest:
      outcome = GetLatest(context, settings, &files, &projects, &items);
      break;
  }
  outcome = WithItemFailures("get", "got", std::move(outcome), items,
                             context.console().failed_report_lines() - failed_before);
  if (outcome.ok()) SetGetResult(context, settings, files, projects, items);
  return outcome;
}

}  // namespace

Command GetCommand() {
  return {
      .name = "get",
      .synopsis = "PATH...",
      .summary = "Get files and projects from the server into a local folder",
      .description =
          "Gets the latest version of each PATH into the folder of --dir (default:\n"
          "the current folder), under its own name: a file as DIR/NAME, a project's\n"
          "files into DIR/NAME (with -r its sub-projects below that; the root\n"
          "project into DIR itself). Whether a PATH is a project is asked of the\n"
          "server unless --project or --file says so. --label and\n"
          "--project-version get one PROJECT as it was then; --old-version gets\n"
          "one version of one FILE.\n"
          "\n"
          "A local copy that is writable and differs from the server's raises a\n"
          "question: asked on a terminal, answered by --replace, --skip or --merge\n"
          "TOOL; without a terminal or an answer the get is canceled (exit status\n"
          "8). Files are left read-only unless --writable. A file or project that\n"
          "could not be got fails the command with its result.\n"
          "JSON: data.folder, data.mode, data.targets (path, local, kind) and\n"
          "data.items (the SDK's item results: item, result, description).",
      .options = GetOptionSpecs(),
      .min_arguments = 1,
      .max_arguments = kAnyNumber,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunGet,
      .check = CheckGet,
  };
}

}  // namespace qorv::cli
