// qorv compare LOCAL_FILE SERVER_FILE: whether a local file equals a version
// of a file on the server, as an exit status.
#include "cli/commands.h"
#include "cli/item_kind.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"
#include "cli/value_parsers.h"
#include "qorvsdk/enums.h"

namespace qorv::cli {
namespace {

// The line ending and version the comparison is made with.
Outcome ReadCompareOptions(const CommandContext& context, Enum_EOL* eol, LONG* version) {
  // Text files here end their lines with LF unless told otherwise.
  *eol = Enum_LF;
  if (auto text = context.options().Value("eol"); text && !ParseEol(*text, eol)) {
    return Outcome::Usage("--eol \"" + *text + "\" is not lf, crlf or cr");
  }
  *version = 0;
  if (auto text = context.options().Value("revision"); text && !ParseVersion(*text, version)) {
    return Outcome::Usage("--revision \"" + *text + "\" is not a version number");
  }
  return Outcome::Success();
}

Outcome CheckCompare(CommandContext& context) {
  Enum_EOL eol;
  LONG version;
  return ReadCompareOptions(context, &eol, &version);
}

Outcome RunCompare(CommandContext& context) {
  const std::string local = context.arguments()[0];
  const std::string remote = ServerPathArgument(context.arguments()[1]);
  Enum_EOL eol = Enum_LF;
  LONG version = 0;
  Outcome options = ReadCompareOptions(context, &eol, &version);
  if (!options.ok()) return options;
  // The SDK reports a missing server file as a failed check-in ("Checking in
  // files ... : File ... does not exist"); ask first, so that the answer
  // speaks of what was compared.
  ServerItem item = ServerItem::kNone;
  Outcome found = FindServerItem(context, remote, &item);
  if (!found.ok()) return found;
  if (item != ServerItem::kFile) {
    return Outcome::Failure(ExitClass::kNotFound,
                            "compare: " + remote +
                                (item == ServerItem::kProject ? " is a project, not a file"
                                                              : " is no file on the server") +
                                ", so " + local + " cannot be compared with it");
  }
  if (context.interrupted()) return Outcome::Interrupted();
  qorvsdk::Bstr local_path(local), remote_path(remote);
  VARIANT_BOOL same = VARIANT_FALSE;
  qorvsdk::OperationStatus status;
  const HRESULT hr = context.sdk()->IsFileSameAsOnServer(
      local_path.get(), remote_path.get(), eol, version, &same, &status.canceled,
      status.description.Receive(), &status.value);
  Outcome outcome = CallOutcome("IsFileSameAsOnServer", Step::kOperation, hr, status);
  if (!outcome.ok()) {
    outcome.cause = "comparing " + local + " with " + remote +
                    (version != 0 ? " version " + std::to_string(version) : std::string());
    return outcome;
  }
  const bool equal = same != VARIANT_FALSE;
  outcome.answer_no = !equal;
  context.SetResult(JsonValue::Object()
                        .Set("local", JsonValue::String(local))
                        .Set("path", JsonValue::String(remote))
                        .Set("version", JsonValue::Integer(version))
                        .Set("same", JsonValue::Bool(equal)),
                    local + (equal ? " is the same as " : " differs from ") + remote + "\n");
  return outcome;
}

}  // namespace

Command CompareCommand() {
  return {
      .name = "compare",
      .aliases = {"same"},
      .synopsis = "LOCAL_FILE SERVER_FILE",
      .summary = "Tell whether a local file equals the server's version",
      .description =
          "Compares the local file's bytes with the server's version as it would\n"
          "be delivered with the given line ending. LOCAL_FILE must be a readable\n"
          "file (exit status 7 otherwise), SERVER_FILE a file on the server (5).\n"
          "Exits with 0 when they are the same, 1 when they differ.\n"
          "JSON: data.local, data.path, data.version, data.same.",
      .options = {{"eol", 0, "lf|crlf|cr",
                   "The line ending of text files in the local copy (default lf)."},
                  {"revision", 'r', "N",
                   "Compare with version N of the file instead of the latest."}},
      .min_arguments = 2,
      .max_arguments = 2,
      .argument_kinds = {ArgumentKind::kLocalFile, ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunCompare,
      .check = CheckCompare,
  };
}

}  // namespace qorv::cli
