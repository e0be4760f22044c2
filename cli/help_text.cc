#include "cli/help_text.h"

#include <algorithm>

#ifndef QORV_VERSION
#define QORV_VERSION "unknown"
#endif

namespace qorv::cli {
namespace {

std::string UsageLine(const Command& command) {
  std::string line = std::string("Usage: qorv ") + command.name;
  if (!command.options.empty()) line += " [OPTIONS]";
  if (command.synopsis[0] != '\0') line += std::string(" ") + command.synopsis;
  return line + "\n";
}

}  // namespace

std::string ShortUsage() {
  return "Usage: qorv [OPTIONS] COMMAND [ARGUMENTS]\n"
         "Try 'qorv --help' for the commands and options.\n";
}

std::string ProgramHelp(const std::vector<Command>& commands) {
  std::string text =
      "Usage: qorv [OPTIONS] COMMAND [ARGUMENTS]\n"
      "\n"
      "The command-line client of the source-control SDK: it works with the\n"
      "projects and files of a database on a server through the SDK's public\n"
      "interface. Options go before or after the command.\n"
      "\n"
      "Commands:\n";
  size_t width = 0;
  for (const Command& command : commands) width = std::max(width, std::string(command.name).size());
  for (const Command& command : commands) {
    const std::string name = command.name;
    text += "  " + name + std::string(width + 3 - name.size(), ' ') + command.summary + "\n";
  }
  for (const OptionGroup& group : GlobalOptionGroups()) {
    text += std::string("\n") + group.title + ":\n" + FormatOptionList(group.options);
  }
  text +=
      "\n"
      "A server path starts with \"$/\"; a path without it is taken from the root\n"
      "(\"Game/main.c\" is \"$/Game/main.c\").\n"
      "\n"
      "Report lines of the SDK go to standard error as they arrive, failures\n"
      "marked \"error:\"; results go to standard output. A progress bar is drawn\n"
      "only when standard error is a terminal. Ctrl-C cancels the running\n"
      "operation; a second Ctrl-C ends qorv at once.\n"
      "\n"
      "Exit status:\n";
  for (ExitClass exit_class : kAllExitClasses) {
    const std::string number = std::to_string(static_cast<int>(exit_class));
    text += "  " + number + std::string(3 - number.size(), ' ') + ExitClassName(exit_class) +
            std::string(16 - std::string(ExitClassName(exit_class)).size(), ' ') +
            ExitClassMeaning(exit_class) + "\n";
  }
  text +=
      "\n"
      "Environment: QORV_SERVER, QORV_USER, QORV_DATABASE, QORV_PASSWORD, QORV_PROXY,\n"
      "QORV_KEY_FILES (FILE:FILE...), QORV_CA_FILE, QORV_TIMEOUT and QORV_MODULE\n"
      "stand in for their options; QORV_REGISTRY names the registry file the SDK\n"
      "is activated through.\n"
      "\n"
      "Configuration file: $XDG_CONFIG_HOME/qorv/config (default\n"
      "~/.config/qorv/config), optional, with \"key = value\" lines for server,\n"
      "user, database, password, proxy, key-file (repeatable), ca-file and\n"
      "timeout; \"#\" starts a comment. Options win over variables, variables over\n"
      "the file. The file's password is used only when the file is readable by\n"
      "its owner alone (chmod 600).\n"
      "\n"
      "Run 'qorv help COMMAND' for the options of a command.\n";
  return text;
}

std::string CommandHelp(const Command& command) {
  std::string text = UsageLine(command) + "\n" + command.summary + "\n";
  if (command.description[0] != '\0') text += std::string("\n") + command.description + "\n";
  if (!command.options.empty()) text += "\nOptions:\n" + FormatOptionList(command.options);
  if (!command.aliases.empty()) {
    text += "\nAlso called:";
    for (const char* alias : command.aliases) text += std::string(" ") + alias;
    text += "\n";
  }
  if (command.need != ServerNeed::kNone) {
    text += command.need == ServerNeed::kLogin
                ? "\nConnects to the server (--server) and logs in (--user, --database,\n"
                  "--password). The global options of 'qorv --help' apply.\n"
                : "\nConnects to the server (--server) without logging in. The global\n"
                  "options of 'qorv --help' apply.\n";
  }
  return text;
}

std::string VersionText() { return std::string("qorv ") + QORV_VERSION + "\n"; }

std::string VersionNumber() { return QORV_VERSION; }

}  // namespace qorv::cli
