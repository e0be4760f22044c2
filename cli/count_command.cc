// qorv count PROJECT: the number of files of a project.
#include "cli/commands.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"

namespace qorv::cli {
namespace {

Outcome RunCount(CommandContext& context) {
  const std::string project = ServerPathArgument(context.arguments().front());
  qorvsdk::Bstr path(project);
  LONG count = 0;
  qorvsdk::OperationStatus status;
  const HRESULT hr = context.sdk()->GetFileCountInProject(
      path.get(), &count, &status.canceled, status.description.Receive(), &status.value);
  Outcome outcome = CallOutcome("GetFileCountInProject", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  context.SetResult(JsonValue::Object()
                        .Set("project", JsonValue::String(project))
                        .Set("count", JsonValue::Integer(count)),
                    std::to_string(count) + "\n");
  return outcome;
}

}  // namespace

Command CountCommand() {
  return {
      .name = "count",
      .synopsis = "PROJECT",
      .summary = "Show the number of files of a project",
      .description = "JSON: data.project, data.count.",
      .min_arguments = 1,
      .max_arguments = 1,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunCount,
  };
}

}  // namespace qorv::cli
