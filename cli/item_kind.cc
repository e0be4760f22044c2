#include "cli/item_kind.h"

#include "cli/sdk_call.h"

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

Outcome ResolveIsProject(CommandContext& context, const std::string& path, bool* is_project) {
  const bool project = context.options().Has("project");
  const bool file = context.options().Has("file");
  if (project || file) {
    *is_project = project;
    return Outcome::Success();
  }
  if (path == "$" || path == "$/") {
    *is_project = true;
    return Outcome::Success();
  }
  if (context.interrupted()) return Outcome::Interrupted();
  Bstr text(path);
  VARIANT_BOOL exists = VARIANT_FALSE;
  CallStatus status;
  const HRESULT hr = context.sdk()->IsProjectExistingOnServer(
      text.get(), &exists, &status.canceled, status.description.Receive(), &status.result);
  Outcome outcome = CallOutcome("IsProjectExistingOnServer", Step::kOperation, hr, status);
  *is_project = outcome.ok() && exists != VARIANT_FALSE;
  return outcome;
}

}  // namespace qorv::cli
