// qorv exists PROJECT: whether a project exists, as an exit status.
#include "cli/commands.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"

namespace qorv::cli {
namespace {

Outcome RunExists(CommandContext& context) {
  const std::string project = ServerPathArgument(context.arguments().front());
  Bstr path(project);
  VARIANT_BOOL exists = VARIANT_FALSE;
  CallStatus status;
  const HRESULT hr = context.sdk()->IsProjectExistingOnServer(
      path.get(), &exists, &status.canceled, status.description.Receive(), &status.result);
  Outcome outcome = CallOutcome("IsProjectExistingOnServer", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  const bool found = exists != VARIANT_FALSE;
  outcome.answer_no = !found;
  context.SetResult(JsonValue::Object()
                        .Set("project", JsonValue::String(project))
                        .Set("exists", JsonValue::Bool(found)),
                    project + (found ? " exists\n" : " does not exist\n"));
  return outcome;
}

}  // namespace

Command ExistsCommand() {
  return {
      .name = "exists",
      .synopsis = "PROJECT",
      .summary = "Tell whether a project exists",
      .description =
          "Prints the answer and exits with 0 when the project exists, 1 when it\n"
          "does not, and another status when the question could not be answered.\n"
          "JSON: data.project, data.exists.",
      .min_arguments = 1,
      .max_arguments = 1,
      .need = ServerNeed::kLogin,
      .run = RunExists,
  };
}

}  // namespace qorv::cli
