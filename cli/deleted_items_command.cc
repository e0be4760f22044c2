// qorv recover PATH... and qorv purge PATH...: bring deleted items back
// into their projects, or remove them for good.
#include "cli/commands.h"
#include "cli/sdk_call.h"
#include "cli/tree_edit_run.h"

namespace qorv::cli {
namespace {

// RecoverItems and PurgeItems alike: one call with a set of the paths.
template <class Set>
Outcome RunOnDeletedItems(CommandContext& context, const ItemSetClass& set_class,
                          HRESULT (IQORVSDK::*method)(Set*, VARIANT_BOOL*, BSTR*,
                                                      IQORVOperationResultSet**, LONG*),
                          const char* method_name, const char* done) {
  EditRun run(context);
  const std::vector<std::string> paths = ServerPaths(context.arguments());
  qorvsdk::ComPtr<Set> set;
  Outcome outcome = BuildPathSet(set_class, paths, &set);
  if (!outcome.ok()) return outcome;
  qorvsdk::OperationStatus status;
  qorvsdk::ComPtr<IQORVOperationResultSet> results;
  const HRESULT hr = (context.sdk()->*method)(
      set.get(), &status.canceled, status.description.Receive(), results.Receive(), &status.value);
  std::vector<OperationItem> items;
  outcome = ReadOperationItems(CallOutcome(method_name, Step::kOperation, hr, status),
                               results.get(), &items);
  std::string text;
  for (const std::string& path : paths) text += std::string(done) + " " + path + "\n";
  return run.Finish(done, std::move(outcome), items, PathsJson(paths), text);
}

Outcome RunRecover(CommandContext& context) {
  return RunOnDeletedItems(
      context, {CLSID_QORVRecoverItemSet, IID_IQORVRecoverItemSet, "QORVRecoverItemSet"},
      &IQORVSDK::RecoverItems, "RecoverItems", "recovered");
}

Outcome RunPurge(CommandContext& context) {
  return RunOnDeletedItems(context,
                           {CLSID_QORVPurgeItemSet, IID_IQORVPurgeItemSet, "QORVPurgeItemSet"},
                           &IQORVSDK::PurgeItems, "PurgeItems", "purged");
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
