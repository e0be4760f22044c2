// qorv label PATH LABEL: labels the current version of a file or project.
#include "cli/commands.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"
#include "cli/tree_edit_run.h"

namespace qorv::cli {
namespace {

Outcome RunLabel(CommandContext& context) {
  EditRun run(context);
  const std::string path = ServerPathArgument(context.arguments()[0]);
  const std::string& label = context.arguments()[1];
  qorvsdk::Bstr item(path), name(label), comment(context.options().Value("comment").value_or(""));
  qorvsdk::OperationStatus status;
  const HRESULT hr =
      context.sdk()->LabelItem(item.get(), name.get(), comment.get(), &status.canceled,
                               status.description.Receive(), &status.value);
  return run.Finish("labeled", CallOutcome("LabelItem", Step::kOperation, hr, status), {},
                    JsonValue::Object()
                        .Set("path", JsonValue::String(path))
                        .Set("label", JsonValue::String(label)),
                    "labeled " + path + " \"" + label + "\"\n");
}

Outcome CheckLabel(CommandContext& context) {
  const std::string& label = context.arguments()[1];
  if (label.empty()) return Outcome::Usage("label: the label is empty");
  for (const unsigned char c : label) {
    if (c < 0x20 || c == 0x7f) return Outcome::Usage("label: the label holds a control character");
  }
  return Outcome::Success();
}

}  // namespace

Command LabelCommand() {
  return {
      .name = "label",
      .aliases = {"tag"},
      .synopsis = "PATH LABEL",
      .summary = "Label a file or project",
      .description =
          "Gives the current version of the file or project PATH the label LABEL\n"
          "(LabelItem); get --label NAME gets a project as it was labeled.\n"
          "JSON: data.path, data.label and data.items (empty).",
      .options = {{"comment", 'm', "TEXT", "The comment of the label."}},
      .min_arguments = 2,
      .max_arguments = 2,
      .argument_kinds = {ArgumentKind::kServerPath, ArgumentKind::kText},
      .need = ServerNeed::kLogin,
      .run = RunLabel,
      .check = CheckLabel,
  };
}

}  // namespace qorv::cli
