// qorv help [COMMAND]: the help of qorv, or of one command.
#include "cli/commands.h"
#include "cli/help_text.h"

namespace qorv::cli {
namespace {

Outcome RunHelp(CommandContext& context) {
  std::string text;
  if (context.arguments().empty()) {
    text = ProgramHelp(context.commands());
  } else {
    const Command* command = FindCommand(context.commands(), context.arguments().front());
    if (command == nullptr) {
      return Outcome::Usage("help: unknown command \"" + context.arguments().front() + "\"");
    }
    text = CommandHelp(*command);
  }
  context.SetResult(JsonValue::Object().Set("help", JsonValue::String(text)), text);
  return Outcome::Success();
}

}  // namespace

Command HelpCommand() {
  return {
      .name = "help",
      .synopsis = "[COMMAND]",
      .summary = "Show the help of qorv or of a command",
      .description =
          "Without a command, lists the commands, the global options and the exit\n"
          "statuses; with one, shows its usage and options.",
      .min_arguments = 0,
      .max_arguments = 1,
      .need = ServerNeed::kNone,
      .run = RunHelp,
  };
}

}  // namespace qorv::cli
