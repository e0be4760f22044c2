// qorv share PATH... PROJECT: shares files and projects into another
// project, where they keep one history with their source unless --branch.
#include "cli/commands.h"
#include "cli/item_kind.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"
#include "cli/tree_edit_run.h"

namespace qorv::cli {
namespace {

// The arguments every share call of a run takes.
struct ShareSettings {
  ShareSettings(const std::string& target_project, const OptionValues& options)
      : target(target_project),
        comment(options.Value("comment").value_or("")),
        branch(VariantBool(options.Has("branch"))),
        recursive(VariantBool(options.Has("recursive"))) {}

  qorvsdk::Bstr target;
  qorvsdk::Bstr comment;
  VARIANT_BOOL branch;
  VARIANT_BOOL recursive;
};

Outcome ShareFiles(IQORVSDK* sdk, ShareSettings& settings, const std::vector<std::string>& files,
                   std::vector<OperationItem>* items) {
  qorvsdk::ComPtr<IQORVShareFileSet> set;
  Outcome outcome = BuildPathSet(
      {CLSID_QORVShareFileSet, IID_IQORVShareFileSet, "QORVShareFileSet"}, files, &set);
  if (!outcome.ok()) return outcome;
  qorvsdk::OperationStatus status;
  qorvsdk::ComPtr<IQORVOperationResultSet> results;
  const HRESULT hr = sdk->ShareFilesFrom(
      settings.target.get(), set.get(), settings.branch, settings.comment.get(), &status.canceled,
      status.description.Receive(), results.Receive(), &status.value);
  return ReadOperationItems(CallOutcome("ShareFilesFrom", Step::kOperation, hr, status),
                            results.get(), items);
}

Outcome ShareProject(IQORVSDK* sdk, ShareSettings& settings, const std::string& project) {
  qorvsdk::Bstr source(project);
  qorvsdk::OperationStatus status;
  const HRESULT hr = sdk->ShareProjectFrom(
      settings.target.get(), source.get(), settings.branch, settings.recursive,
      settings.comment.get(), &status.canceled, status.description.Receive(), &status.value);
  return CallOutcome("ShareProjectFrom", Step::kOperation, hr, status);
}

Outcome RunShare(CommandContext& context) {
  EditRun run(context);
  std::vector<std::string> sources = ServerPaths(context.arguments());
  const std::string target = sources.back();
  sources.pop_back();
  ShareSettings settings(target, context.options());
  std::vector<std::string> files, projects;
  Outcome outcome = SortServerPaths(context, sources, &files, &projects);
  if (!outcome.ok()) return outcome;
  std::vector<OperationItem> items;
  if (!files.empty()) {
    if (context.interrupted()) return Outcome::Interrupted();
    outcome = ShareFiles(context.sdk(), settings, files, &items);
  }
  for (const std::string& project : projects) {
    if (!outcome.ok()) break;
    if (context.interrupted()) return Outcome::Interrupted();
    outcome = ShareProject(context.sdk(), settings, project);
  }
  std::string text;
  for (const std::string& source : sources) {
    text += source + " -> " + JoinServerPath(target, LeafName(source)) + "\n";
  }
  JsonValue data = PathsJson(sources);
  data.Set("target", JsonValue::String(target));
  return run.Finish(context.options().Has("branch") ? "shared and branched" : "shared",
                    std::move(outcome), items, std::move(data), text);
}

Outcome CheckShare(CommandContext& context) {
  if (context.options().Has("recursive") && context.options().Has("file")) {
    return Outcome::Usage("options --recursive and --file exclude each other");
  }
  return CheckItemKindOptions(context);
}

}  // namespace

Command ShareCommand() {
  return {
      .name = "share",
      .aliases = {"ln"},
      .synopsis = "PATH... PROJECT",
      .summary = "Share files and projects into another project",
      .description =
          "Shares each file or project PATH into PROJECT, where it appears under\n"
          "its own name with the same history (ShareFilesFrom, ShareProjectFrom).\n"
          "--branch branches the shared copies at once, so they go their own way;\n"
          "-r shares a project's sub-projects too. Whether a PATH is a project is\n"
          "asked of the server unless --project or --file says so; the files go\n"
          "in one call, then each project in one of its own.\n"
          "JSON: data.paths, data.target and data.items.",
      .options = {{"comment", 'm', "TEXT", "The comment of the share."},
                  {"branch", 0, nullptr, "Branch the shared copies after the share."},
                  {"recursive", 'r', nullptr, "Share the sub-projects of each project too."},
                  ProjectOptionSpec(),
                  FileOptionSpec()},
      .min_arguments = 2,
      .max_arguments = kAnyNumber,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunShare,
      .check = CheckShare,
  };
}

}  // namespace qorv::cli
