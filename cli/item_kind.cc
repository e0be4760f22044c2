#include "cli/item_kind.h"

#include "cli/path_arguments.h"
#include "cli/project_listing.h"
#include "cli/sdk_call.h"
#include "platform/com/ascii_case.h"

namespace qorv::cli {

const OptionSpec& ProjectOptionSpec() {
  static const OptionSpec kSpec{"project", 0, nullptr,
                                "PATH is a project (the default when a project of that path "
                                "exists)."};
  return kSpec;
}

const OptionSpec& FileOptionSpec() {
  static const OptionSpec kSpec{"file", 0, nullptr, "PATH is a file."};
  return kSpec;
}

Outcome CheckItemKindOptions(CommandContext& context) {
  if (context.options().Has("project") && context.options().Has("file")) {
    return Outcome::Usage("options --project and --file exclude each other");
  }
  return Outcome::Success();
}

namespace {

Outcome ProjectExists(CommandContext& context, const std::string& path, bool* exists) {
  if (path == "$" || path == "$/") {
    *exists = true;
    return Outcome::Success();
  }
  if (context.interrupted()) return Outcome::Interrupted();
  qorvsdk::Bstr text(path);
  VARIANT_BOOL answer = VARIANT_FALSE;
  qorvsdk::OperationStatus status;
  const HRESULT hr = context.sdk()->IsProjectExistingOnServer(
      text.get(), &answer, &status.canceled, status.description.Receive(), &status.value);
  Outcome outcome = CallOutcome("IsProjectExistingOnServer", Step::kOperation, hr, status);
  *exists = outcome.ok() && answer != VARIANT_FALSE;
  return outcome;
}

}  // namespace

Outcome FindServerItem(CommandContext& context, const std::string& path, ServerItem* item) {
  *item = ServerItem::kNone;
  bool exists = false;
  Outcome outcome = ProjectExists(context, path, &exists);
  if (!outcome.ok() || exists) {
    if (exists) *item = ServerItem::kProject;
    return outcome;
  }
  const std::string parent = ParentPath(path);
  outcome = ProjectExists(context, parent, &exists);
  if (!outcome.ok() || !exists) return outcome;
  if (context.interrupted()) return Outcome::Interrupted();
  std::vector<std::string> names;
  outcome = ReadFileNames(context.sdk(), parent, &names);
  if (!outcome.ok()) return outcome;
  const std::string leaf = LeafName(path);
  for (const std::string& name : names) {
    if (EqualsIgnoringAsciiCase(name, leaf)) *item = ServerItem::kFile;
  }
  return outcome;
}

Outcome ResolveIsProject(CommandContext& context, const std::string& path, bool* is_project) {
  const bool project = context.options().Has("project");
  const bool file = context.options().Has("file");
  if (project || file) {
    *is_project = project;
    return Outcome::Success();
  }
  return ProjectExists(context, path, is_project);
}

}  // namespace qorv::cli
