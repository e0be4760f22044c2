#include "cli/checkinout_run.h"

#include "cli/checkinout_calls.h"
#include "cli/console.h"

namespace qorv::cli {
namespace {

// The past participle of the items' message: "2 of 3 items could not be
// checked in".
const char* Done(CheckOperation operation) {
  switch (operation) {
    case CheckOperation::kCheckout:
      return "checked out";
    case CheckOperation::kUndo:
      return "undone";
    case CheckOperation::kCheckin:
      return "checked in";
  }
  return "done";
}

Outcome CallAll(CommandContext& context, CheckOperation operation, const CheckSettings& settings,
                const std::vector<ItemTarget>& files, const std::vector<ItemTarget>& projects,
                std::vector<OperationItem>* items) {
  Outcome outcome;
  if (!files.empty()) {
    if (context.interrupted()) return Outcome::Interrupted();
    outcome = CallForFiles(context.sdk(), operation, settings, files, items);
    if (!outcome.ok()) return outcome;
  }
  for (const ItemTarget& project : projects) {
    if (context.interrupted()) return Outcome::Interrupted();
    outcome = CallForProject(context.sdk(), operation, settings, project, items);
    if (!outcome.ok()) return outcome;
  }
  return outcome;
}

}  // namespace

Outcome CheckCheckinout(CommandContext& context, CheckOperation operation) {
  CheckSettings settings;
  Outcome outcome = ReadCheckSettings(operation, context.options(), &settings);
  if (!outcome.ok()) return outcome;
  return CheckDistinctTargets(CommandName(operation), settings.local_folder, context.arguments());
}

Outcome RunCheckinout(CommandContext& context, CheckOperation operation) {
  CheckSettings settings;
  Outcome outcome = ReadCheckSettings(operation, context.options(), &settings);
  if (!outcome.ok()) return outcome;
  std::vector<ItemTarget> files, projects;
  outcome = SortTargets(context, settings.local_folder, &files, &projects);
  if (!outcome.ok()) return outcome;
  std::vector<OperationItem> items;
  const size_t failed_before = context.console().failed_report_lines();
  outcome = CallAll(context, operation, settings, files, projects, &items);
  outcome = WithItemFailures(CommandName(operation), Done(operation), std::move(outcome), items,
                             context.console().failed_report_lines() - failed_before);
  if (!outcome.ok()) return outcome;
  std::string text;
  JsonValue targets = TargetsJson(files, projects, &text);
  context.SetResult(JsonValue::Object()
                        .Set("folder", JsonValue::String(settings.local_folder))
                        .Set("targets", std::move(targets))
                        .Set("items", ItemsJson(items)),
                    text);
  return outcome;
}

}  // namespace qorv::cli
