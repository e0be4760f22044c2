// qorv exists PATH: whether a project or a file exists, as an exit status.
#include "cli/commands.h"
#include "cli/item_kind.h"
#include "cli/path_arguments.h"

namespace qorv::cli {
namespace {

Outcome RunExists(CommandContext& context) {
  const std::string path = ServerPathArgument(context.arguments().front());
  ServerItem item = ServerItem::kNone;
  Outcome outcome = FindServerItem(context, path, &item);
  if (!outcome.ok()) return outcome;
  outcome.answer_no = item == ServerItem::kNone;
  const char* kind = item == ServerItem::kProject ? "project"
                     : item == ServerItem::kFile  ? "file"
                                                  : nullptr;
  context.SetResult(JsonValue::Object()
                        .Set("path", JsonValue::String(path))
                        .Set("exists", JsonValue::Bool(kind != nullptr))
                        .Set("kind", kind != nullptr ? JsonValue::String(kind) : JsonValue()),
                    path + (kind != nullptr ? " exists\n" : " does not exist\n"));
  return outcome;
}

}  // namespace

Command ExistsCommand() {
  return {
      .name = "exists",
      .synopsis = "PATH",
      .summary = "Tell whether a project or a file exists",
      .description =
          "Prints the answer and exits with 0 when a project or a file of that path\n"
          "exists, 1 when neither does, and another status when the question could\n"
          "not be answered.\n"
          "JSON: data.path, data.exists, data.kind (\"project\", \"file\" or null).",
      .min_arguments = 1,
      .max_arguments = 1,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunExists,
  };
}

}  // namespace qorv::cli
