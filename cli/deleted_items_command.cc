// qorv recover PATH... and qorv purge PATH...: bring deleted items back
// into their projects, or remove them for good.
#include "cli/commands.h"
#include "cli/sdk_call.h"
#include "cli/tree_edit_run.h"

namespace qorv::cli {
namespace {

Outcome RunRecover(CommandContext& context) {
  EditRun run(context);
  const std::vector<std::string> paths = ServerPaths(context.arguments());
  ComPtr<IQORVRecoverItemSet> set;
  Outcome outcome = BuildPathSet(CLSID_QORVRecoverItemSet, IID_IQORVRecoverItemSet,
                                 "QORVRecoverItemSet", paths, &set);
  if (!outcome.ok()) return outcome;
  CallStatus status;
  ComPtr<IQORVOperationResultSet> results;
  const HRESULT hr = context.sdk()->RecoverItems(
      set.get(), &status.canceled, status.description.Receive(), results.Receive(), &status.result);
  std::vector<OperationItem> items;
  outcome = ReadOperationItems(CallOutcome("RecoverItems", Step::kOperation, hr, status),
                               results.get(), &items);
  std::string text;
  for (const std::string& path : paths) text += "recovered " + path + "\n";
  return run.Finish("recovered", std::move(outcome), items, PathsJson(paths), text);
}

Outcome RunPurge(CommandContext& context) {
  EditRun run(context);
  const std::vector<std::string> paths = ServerPaths(context.arguments());
  ComPtr<IQORVPurgeItemSet> set;
  Outcome outcome =
      BuildPathSet(CLSID_QORVPurgeItemSet, IID_IQORVPurgeItemSet, "QORVPurgeItemSet", paths, &set);
  if (!outcome.ok()) return outcome;
  CallStatus status;
  ComPtr<IQORVOperationResultSet> results;
  const HRESULT hr = context.sdk()->PurgeItems(
      set.get(), &status.canceled, status.description.Receive(), results.Receive(), &status.result);
  std::vector<OperationItem> items;
  outcome = ReadOperationItems(CallOutcome("PurgeItems", Step::kOperation, hr, status),
                               results.get(), &items);
  std::string text;
  for (const std::string& path : paths) text += "purged " + path + "\n";
  return run.Finish("purged", std::move(outcome), items, PathsJson(paths), text);
}

}  // namespace

Command RecoverCommand() {
  return {
      .name = "recover",
      .aliases = {"undelete"},
      .synopsis = "PATH...",
      .summary = "Recover deleted files and projects",
      .description =
          "Brings each deleted item PATH back into its project (RecoverItems);\n"
          "qorv deleted PROJECT lists the items that can be recovered.\n"
          "JSON: data.paths and data.items.",
      .min_arguments = 1,
      .max_arguments = kAnyNumber,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunRecover,
  };
}

Command PurgeCommand() {
  return {
      .name = "purge",
      .synopsis = "PATH...",
      .summary = "Remove deleted files and projects for good",
      .description =
          "Removes each deleted item PATH for good (PurgeItems): it can no longer\n"
          "be recovered.\n"
          "JSON: data.paths and data.items.",
      .min_arguments = 1,
      .max_arguments = kAnyNumber,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunPurge,
  };
}

}  // namespace qorv::cli
