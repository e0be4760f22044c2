// The help texts of qorv: the program's (qorv --help) and each command's
// (qorv help COMMAND, qorv COMMAND --help).
#ifndef QORV_CLI_HELP_TEXT_H_
#define QORV_CLI_HELP_TEXT_H_

#include <string>
#include <vector>

#include "cli/command.h"

namespace qorv::cli {

// The usage line and where to find more, for a usage error.
std::string ShortUsage();
std::string ProgramHelp(const std::vector<Command>& commands);
std::string CommandHelp(const Command& command);
std::string VersionText();
// The version number alone ("1.0.0").
std::string VersionNumber();

}  // namespace qorv::cli

#endif  // QORV_CLI_HELP_TEXT_H_
