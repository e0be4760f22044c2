// The command line of qorv: global options, the command name, the command's
// options and its positional arguments.
//
//   qorv [global options] COMMAND [options and arguments in any order]
//
// Long options are "--name value" or "--name=value", switches "--name";
// short options "-x" (switches may be grouped: "-Rq"). Global options are
// accepted before and after the command name. "--" ends the options; "-"
// alone is an argument.
#ifndef QORV_CLI_ARGUMENTS_H_
#define QORV_CLI_ARGUMENTS_H_

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qorv::cli {

struct OptionSpec {
  const char* name;        // the long name, without "--"
  char short_name;         // 0 when there is none
  const char* value_name;  // null for a switch
  const char* help;
};

// The options given, by long name, in the order given.
class OptionValues {
 public:
  void Add(const std::string& name, std::string value) {
    values_[name].push_back(std::move(value));
  }
  bool Has(std::string_view name) const { return values_.find(name) != values_.end(); }
  // The last value given.
  std::optional<std::string> Value(std::string_view name) const;
  std::vector<std::string> Values(std::string_view name) const;

 private:
  std::map<std::string, std::vector<std::string>, std::less<>> values_;
};

struct CommandLine {
  std::string command;   // empty when none was given
  OptionValues options;  // global and command options together
  std::vector<std::string> arguments;
};

// The option specs of a command, or null when there is no such command.
using CommandOptionsLookup = std::function<const std::vector<OptionSpec>*(std::string_view)>;

// Parses `arguments` (without the program name). False with a message in
// *error for an unknown command or option, an option without its value, or
// a switch given a value.
bool ParseCommandLine(const std::vector<std::string>& arguments,
                      const std::vector<OptionSpec>& global_options,
                      const CommandOptionsLookup& command_options, CommandLine* line,
                      std::string* error);

// The option list of a help text: one option per line, help texts aligned.
std::string FormatOptionList(const std::vector<OptionSpec>& options);

}  // namespace qorv::cli

#endif  // QORV_CLI_ARGUMENTS_H_
