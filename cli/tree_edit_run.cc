#include "cli/tree_edit_run.h"

#include "cli/item_kind.h"
#include "cli/path_arguments.h"

namespace qorv::cli {

std::vector<std::string> ServerPaths(const std::vector<std::string>& arguments) {
  std::vector<std::string> paths;
  paths.reserve(arguments.size());
  for (const std::string& argument : arguments) paths.push_back(ServerPathArgument(argument));
  return paths;
}

Outcome SortServerPaths(CommandContext& context, const std::vector<std::string>& paths,
                        std::vector<std::string>* files, std::vector<std::string>* projects) {
  for (const std::string& path : paths) {
    bool is_project = false;
    Outcome asked = ResolveIsProject(context, path, &is_project);
    if (!asked.ok()) return asked;
    (is_project ? projects : files)->push_back(path);
  }
  return Outcome::Success();
}

Outcome EditRun::Finish(const char* done, Outcome outcome, const std::vector<OperationItem>& items,
                        JsonValue data, std::string text) {
  outcome = WithItemFailures(context_.command().name, done, std::move(outcome), items,
                             context_.console().failed_report_lines() - failed_before_);
  if (!outcome.ok()) return outcome;
  data.Set("items", ItemsJson(items));
  context_.SetResult(std::move(data), std::move(text));
  return outcome;
}

JsonValue PathsJson(const std::vector<std::string>& paths) {
  JsonValue list = JsonValue::Array();
  for (const std::string& path : paths) list.Append(JsonValue::String(path));
  return JsonValue::Object().Set("paths", std::move(list));
}

}  // namespace qorv::cli
