// qorv get PATH...: files and projects from the server into a local folder,
// the latest versions or a project at a label or version, or one old
// version of a file.
#include "cli/commands.h"
#include "cli/get_calls.h"
#include "cli/get_options.h"
#include "cli/item_kind.h"
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
  return CheckDistinctTargets(settings.local_folder, context.arguments());
}

GetTarget TargetOf(const GetSettings& settings, const std::string& argument) {
  const std::string path = ServerPathArgument(argument);
  return {path, LocalTarget(settings.local_folder, path)};
}

// The latest versions: the files in one call, the projects in another.
Outcome GetLatest(CommandContext& context, const GetSettings& settings,
                  std::vector<GetTarget>* files, std::vector<GetTarget>* projects,
                  std::vector<GetItemResult>* items) {
  for (const std::string& argument : context.arguments()) {
    const GetTarget target = TargetOf(settings, argument);
    bool is_project = false;
    Outcome asked = ResolveIsProject(context, target.path, &is_project);
    if (!asked.ok()) return asked;
    (is_project ? projects : files)->push_back(target);
  }
  Outcome outcome;
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

// A call that succeeded while some of its items failed fails with the first
// of them, so that the exit status tells a script. Failures that only the
// report lines tell (GetOldVersionFile's single result carries the
// method's value, not its file's) fail it as a refusal, the class of a
// status qorv does not know.
Outcome WithItemFailures(Outcome outcome, const std::vector<GetItemResult>& items,
                         size_t failed_lines) {
  if (!outcome.ok()) return outcome;
  size_t failed = 0;
  for (const GetItemResult& item : items) {
    if (item.result == 0) continue;
    if (failed++ == 0) {
      outcome.result = item.result;
      outcome.description = item.description;
    }
  }
  if (failed != 0) {
    outcome.cause = std::to_string(failed) + " of " + std::to_string(items.size()) +
                    (items.size() == 1 ? " item" : " items") + " could not be got";
  } else if (failed_lines != 0) {
    return Outcome::Failure(
        ExitClass::kRefused,
        "get: not everything was got: the SDK reported " + std::to_string(failed_lines) +
            (failed_lines == 1 ? " failure" : " failures") + " while its result says success");
  }
  return outcome;
}

void SetGetResult(CommandContext& context, const GetSettings& settings,
                  const std::vector<GetTarget>& files, const std::vector<GetTarget>& projects,
                  const std::vector<GetItemResult>& items) {
  JsonValue targets = JsonValue::Array();
  std::string text;
  const auto add = [&](const std::vector<GetTarget>& list, const char* kind) {
    for (const GetTarget& target : list) {
      targets.Append(JsonValue::Object()
                         .Set("path", JsonValue::String(target.path))
                         .Set("local", JsonValue::String(target.local))
                         .Set("kind", JsonValue::String(kind)));
      text += target.path + " -> " + target.local + "\n";
    }
  };
  add(projects, "project");
  add(files, "file");
  JsonValue results = JsonValue::Array();
  for (const GetItemResult& item : items) {
    results.Append(JsonValue::Object()
                       .Set("item", JsonValue::String(item.item))
                       .Set("result", JsonValue::Integer(item.result))
                       .Set("description", JsonValue::String(item.description)));
  }
  context.SetResult(JsonValue::Object()
                        .Set("folder", JsonValue::String(settings.local_folder))
                        .Set("mode", JsonValue::String(ModeName(settings.mode)))
                        .Set("targets", std::move(targets))
                        .Set("items", std::move(results)),
                    text);
}

Outcome RunGet(CommandContext& context) {
  GetSettings settings;
  Outcome outcome = ReadGetSettings(context.options(), context.arguments().size(), &settings);
  if (!outcome.ok()) return outcome;
  std::vector<GetTarget> files, projects;
  std::vector<GetItemResult> items;
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
  outcome = WithItemFailures(std::move(outcome), items,
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
