// qorv ls [PROJECT]: the sub-projects and files of a project, each file with
// its version, date, user and status.
#include "cli/commands.h"
#include "cli/file_status.h"
#include "cli/ole_date.h"
#include "cli/path_arguments.h"
#include "cli/project_listing.h"
#include "cli/text_table.h"

namespace qorv::cli {
namespace {

// Lists `project` into *listings and *text, then its sub-projects when
// recursive.
Outcome ListProject(CommandContext& context, const std::string& project, bool recursive,
                    JsonValue* listings, std::string* text) {
  if (context.interrupted()) return Outcome::Interrupted();
  std::vector<std::string> projects;
  Outcome outcome = ReadSubProjects(context.sdk(), project, &projects);
  if (!outcome.ok()) return outcome;
  if (context.interrupted()) return Outcome::Interrupted();
  std::vector<FileEntry> files;
  outcome = ReadFileList(context.sdk(), project, &files);
  if (!outcome.ok()) return outcome;

  JsonValue project_names = JsonValue::Array();
  JsonValue file_records = JsonValue::Array();
  TextTable table;
  for (const std::string& name : projects) {
    project_names.Append(JsonValue::String(name));
    table.AddRow({name + "/"});
  }
  for (const FileEntry& file : files) {
    file_records.Append(JsonValue::Object()
                            .Set("name", JsonValue::String(file.name))
                            .Set("version", JsonValue::Integer(file.version))
                            .Set("date", JsonValue::String(FormatOleDate(file.latest, 'T')))
                            .Set("user", JsonValue::String(file.user))
                            .Set("status", JsonValue::Integer(file.status))
                            .Set("status_name", JsonValue::String(FileStatusName(file.status))));
    table.AddRow({file.name, std::to_string(file.version), FormatOleDate(file.latest), file.user,
                  FileStatusText(file.status)});
  }
  listings->Append(JsonValue::Object()
                       .Set("project", JsonValue::String(project))
                       .Set("projects", std::move(project_names))
                       .Set("files", std::move(file_records)));
  if (recursive) {
    if (!text->empty()) *text += "\n";
    *text += project + ":\n";
  }
  *text += table.Render();
  if (!recursive) return Outcome::Success();
  for (const std::string& name : projects) {
    outcome = ListProject(context, JoinServerPath(project, name), true, listings, text);
    if (!outcome.ok()) return outcome;
  }
  return Outcome::Success();
}

Outcome RunLs(CommandContext& context) {
  const std::string project =
      ServerPathArgument(context.arguments().empty() ? "" : context.arguments().front());
  JsonValue listings = JsonValue::Array();
  std::string text;
  Outcome outcome =
      ListProject(context, project, context.options().Has("recursive"), &listings, &text);
  if (outcome.ok()) {
    context.SetResult(JsonValue::Object().Set("listings", std::move(listings)), text);
  }
  return outcome;
}

}  // namespace

Command LsCommand() {
  return {
      .name = "ls",
      .aliases = {"dir"},
      .synopsis = "[PROJECT]",
      .summary = "List the sub-projects and files of a project, with their status",
      .description =
          "Sub-projects are shown with a trailing \"/\", files with their latest\n"
          "version number, its date, the user and the status (pinned, shared,\n"
          "checked out). PROJECT defaults to the root \"$/\".\n"
          "JSON: data.listings, one entry per project listed: {project, projects,\n"
          "files: [{name, version, date, user, status, status_name}]}.",
      .options = {{"recursive", 'R', nullptr,
                   "List the sub-projects' contents too, at every depth."}},
      .min_arguments = 0,
      .max_arguments = 1,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunLs,
  };
}

}  // namespace qorv::cli
