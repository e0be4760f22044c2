// qorv pin FILE [VERSION] and qorv unpin FILE: fix a file at one version in
// its project, and release it again.
#include "cli/commands.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"
#include "cli/tree_edit_run.h"
#include "cli/value_parsers.h"

namespace qorv::cli {
namespace {

Outcome RunPin(CommandContext& context) {
  EditRun run(context);
  const std::string path = ServerPathArgument(context.arguments()[0]);
  LONG version = 0;  // the latest
  if (context.arguments().size() > 1) ParseVersion(context.arguments()[1], &version);
  qorvsdk::Bstr file(path);
  qorvsdk::OperationStatus status;
  const HRESULT hr =
      context.sdk()->PinFile(file.get(), version, status.description.Receive(), &status.value);
  return run.Finish("pinned", CallOutcome("PinFile", Step::kOperation, hr, status), {},
                    JsonValue::Object()
                        .Set("path", JsonValue::String(path))
                        .Set("version", JsonValue::Integer(version)),
                    "pinned " + path +
                        (version == 0 ? std::string(" at its latest version")
                                      : " at version " + std::to_string(version)) +
                        "\n");
}

Outcome CheckPin(CommandContext& context) {
  LONG version = 0;
  if (context.arguments().size() > 1 &&
      (!ParseVersion(context.arguments()[1], &version) || version == 0)) {
    return Outcome::Usage("pin: the version \"" + context.arguments()[1] +
                          "\" is not a version number (1, 2, ...)");
  }
  return Outcome::Success();
}

Outcome RunUnpin(CommandContext& context) {
  EditRun run(context);
  const std::string path = ServerPathArgument(context.arguments()[0]);
  qorvsdk::Bstr file(path);
  qorvsdk::OperationStatus status;
  const HRESULT hr =
      context.sdk()->UnpinFile(file.get(), status.description.Receive(), &status.value);
  return run.Finish("unpinned", CallOutcome("UnpinFile", Step::kOperation, hr, status), {},
                    PathsJson({path}), "unpinned " + path + "\n");
}

}  // namespace

Command PinCommand() {
  return {
      .name = "pin",
      .synopsis = "FILE [VERSION]",
      .summary = "Pin a file at a version",
      .description =
          "Pins FILE at VERSION (PinFile; without VERSION, at its latest version):\n"
          "get delivers that version and the file cannot be checked out until it\n"
          "is unpinned.\n"
          "JSON: data.path, data.version (0: the latest) and data.items (empty).",
      .min_arguments = 1,
      .max_arguments = 2,
      .argument_kinds = {ArgumentKind::kServerPath, ArgumentKind::kText},
      .need = ServerNeed::kLogin,
      .run = RunPin,
      .check = CheckPin,
  };
}

Command UnpinCommand() {
  return {
      .name = "unpin",
      .synopsis = "FILE",
      .summary = "Unpin a pinned file",
      .description =
          "Releases the pin of FILE (UnpinFile): it follows its latest version\n"
          "again.\n"
          "JSON: data.paths and data.items (empty).",
      .min_arguments = 1,
      .max_arguments = 1,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunUnpin,
  };
}

}  // namespace qorv::cli
