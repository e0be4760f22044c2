// qorv info PATH: the general information of a project or a file.
#include "cli/commands.h"
#include "cli/item_kind.h"
#include "cli/ole_date.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"
#include "cli/text_table.h"

namespace qorv::cli {
namespace {

Outcome ProjectInfo(CommandContext& context, const std::string& path) {
  qorvsdk::Bstr text(path);
  LONG projects = 0, deleted_projects = 0, files = 0, deleted_files = 0, version = 0;
  DATE date = 0;
  qorvsdk::Bstr comment;
  qorvsdk::OperationStatus status;
  const HRESULT hr = context.sdk()->GetProjectGeneralInfo(
      text.get(), &projects, &deleted_projects, &files, &deleted_files, &version, &date,
      comment.Receive(), &status.canceled, status.description.Receive(), &status.value);
  Outcome outcome = CallOutcome("GetProjectGeneralInfo", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  TextTable table;
  table.AddRow({"Project:", path});
  table.AddRow({"Version:", std::to_string(version)});
  table.AddRow({"Date:", FormatOleDate(date)});
  table.AddRow({"Sub-projects:",
                std::to_string(projects) + " (" + std::to_string(deleted_projects) + " deleted)"});
  table.AddRow(
      {"Files:", std::to_string(files) + " (" + std::to_string(deleted_files) + " deleted)"});
  table.AddRow({"Comment:", comment.Utf8()});
  context.SetResult(JsonValue::Object()
                        .Set("path", JsonValue::String(path))
                        .Set("kind", JsonValue::String("project"))
                        .Set("version", JsonValue::Integer(version))
                        .Set("date", JsonValue::String(FormatOleDate(date, 'T')))
                        .Set("subprojects", JsonValue::Integer(projects))
                        .Set("deleted_subprojects", JsonValue::Integer(deleted_projects))
                        .Set("files", JsonValue::Integer(files))
                        .Set("deleted_files", JsonValue::Integer(deleted_files))
                        .Set("comment", JsonValue::String(comment.Utf8())),
                    table.Render());
  return outcome;
}

Outcome FileInfo(CommandContext& context, const std::string& path) {
  qorvsdk::Bstr text(path);
  qorvsdk::Bstr type, comment;
  LONG version = 0, size = 0;
  DATE date = 0;
  qorvsdk::OperationStatus status;
  const HRESULT hr = context.sdk()->GetFileGeneralInfo(text.get(), type.Receive(), &version, &date,
                                                       &size, comment.Receive(), &status.canceled,
                                                       status.description.Receive(), &status.value);
  Outcome outcome = CallOutcome("GetFileGeneralInfo", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  TextTable table;
  table.AddRow({"File:", path});
  table.AddRow({"Type:", type.Utf8()});
  table.AddRow({"Version:", std::to_string(version)});
  table.AddRow({"Date:", FormatOleDate(date)});
  table.AddRow({"Size:", std::to_string(size)});
  table.AddRow({"Comment:", comment.Utf8()});
  context.SetResult(JsonValue::Object()
                        .Set("path", JsonValue::String(path))
                        .Set("kind", JsonValue::String("file"))
                        .Set("type", JsonValue::String(type.Utf8()))
                        .Set("version", JsonValue::Integer(version))
                        .Set("date", JsonValue::String(FormatOleDate(date, 'T')))
                        .Set("size", JsonValue::Integer(size))
                        .Set("comment", JsonValue::String(comment.Utf8())),
                    table.Render());
  return outcome;
}

Outcome RunInfo(CommandContext& context) {
  const std::string path = ServerPathArgument(context.arguments().front());
  bool is_project = false;
  Outcome outcome = ResolveIsProject(context, path, &is_project);
  if (!outcome.ok()) return outcome;
  if (context.interrupted()) return Outcome::Interrupted();
  return is_project ? ProjectInfo(context, path) : FileInfo(context, path);
}

}  // namespace

Command InfoCommand() {
  return {
      .name = "info",
      .aliases = {"stat"},
      .synopsis = "PATH",
      .summary = "Show the general information of a project or a file",
      .description =
          "For a project: its version, date, counts of sub-projects and files\n"
          "(live and deleted) and comment. For a file: its type, latest version,\n"
          "date, size and comment.\n"
          "JSON: data.path, data.kind (\"project\" or \"file\") and the values above.",
      .options = {ProjectOptionSpec(), FileOptionSpec()},
      .min_arguments = 1,
      .max_arguments = 1,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunInfo,
      .check = CheckItemKindOptions,
  };
}

}  // namespace qorv::cli
