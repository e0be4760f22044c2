// qorv deleted PROJECT: the deleted items of a project, which recover and
// purge act on.
#include "cli/commands.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"
#include "qorvsdk/collection.h"

namespace qorv::cli {
namespace {

Outcome RunDeleted(CommandContext& context) {
  const std::string project = ServerPathArgument(context.arguments().front());
  qorvsdk::Bstr path(project);
  qorvsdk::ComPtr<IQORVDeletedItemSet> set;
  qorvsdk::OperationStatus status;
  const HRESULT hr = context.sdk()->GetDeletedItemsInProject(
      path.get(), set.Receive(), &status.canceled, status.description.Receive(), &status.value);
  Outcome outcome = CallOutcome("GetDeletedItemsInProject", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  JsonValue items = JsonValue::Array();
  std::string text;
  const HRESULT read = qorvsdk::ForEachElement<IQORVDeletedItem>(
      set.get(), IID_IQORVDeletedItem, [&](IQORVDeletedItem* item) {
        qorvsdk::Bstr name;
        VARIANT_BOOL is_project = VARIANT_FALSE;
        item->get_DeletedItem(name.Receive());
        item->get_IsProject(&is_project);
        items.Append(JsonValue::Object()
                         .Set("name", JsonValue::String(name.Utf8()))
                         .Set("is_project", JsonValue::Bool(is_project != VARIANT_FALSE)));
        text += name.Utf8() + (is_project != VARIANT_FALSE ? "/" : "") + "\n";
      });
  if (FAILED(read)) return Outcome::FailedCall("GetDeletedItemsInProject", read);
  context.SetResult(JsonValue::Object()
                        .Set("project", JsonValue::String(project))
                        .Set("deleted", std::move(items)),
                    text);
  return outcome;
}

}  // namespace

Command DeletedCommand() {
  return {
      .name = "deleted",
      .synopsis = "PROJECT",
      .summary = "List the deleted items of a project",
      .description =
          "Deleted projects are shown with a trailing \"/\".\n"
          "JSON: data.project, data.deleted: [{name, is_project}].",
      .min_arguments = 1,
      .max_arguments = 1,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunDeleted,
  };
}

}  // namespace qorv::cli
