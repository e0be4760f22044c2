// Flags of the qorvd command line ("--name value", "--name=value", switches
// without value) and the "key = value" configuration file that may stand in
// for them.
#ifndef QORV_SERVER_COMMAND_OPTIONS_H_
#define QORV_SERVER_COMMAND_OPTIONS_H_

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qorv::server {

struct FlagInfo {
  const char* name;        // without the leading "--"
  const char* value_name;  // null for a switch that takes no value
  const char* help;
};

class CommandOptions {
 public:
  // Every argument that does not start with "--" is positional. False with
  // a message for an unknown flag, or a flag that needs a value and has
  // none (or a switch given one).
  bool Parse(const std::vector<std::string>& arguments, const std::vector<FlagInfo>& flags,
             std::string* error);

  // Adds the settings of a configuration file: one "key = value" per line,
  // keys being flag names without "--", blanks around both ignored, empty
  // lines and lines starting with "#" skipped, a UTF-8 byte-order mark at
  // the start ignored; a switch is "key = true" or "key = false". A key also
  // given on the command line is ignored: flags win. False with a message
  // for a folder, an unreadable file or a bad line.
  bool MergeFile(const std::string& path, const std::vector<FlagInfo>& flags, std::string* error);

  // Where the value of `name` came from, as a message prefix: "FILE:LINE: "
  // for a value of the configuration file, empty for a flag.
  std::string Origin(std::string_view name) const;

  bool Has(std::string_view name) const;
  // The last value given.
  std::optional<std::string> Value(std::string_view name) const;
  // Every value given, in order.
  std::vector<std::string> Values(std::string_view name) const;
  const std::vector<std::string>& positional() const { return positional_; }

 private:
  std::map<std::string, std::vector<std::string>, std::less<>> values_;
  std::vector<std::string> positional_;
  std::map<std::string, std::string, std::less<>> origins_;  // "FILE:LINE: " by key
};

// The flags with their help texts, one per line, for a usage text.
std::string FormatOptionHelp(const std::vector<FlagInfo>& flags);

}  // namespace qorv::server

#endif  // QORV_SERVER_COMMAND_OPTIONS_H_
