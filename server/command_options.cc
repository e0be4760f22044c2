#include "server/command_options.h"

#include <filesystem>
#include <fstream>
#include <set>

namespace qorv::server {
namespace {

const FlagInfo* FindFlag(const std::vector<FlagInfo>& flags, std::string_view name) {
  for (const FlagInfo& flag : flags) {
    if (name == flag.name) return &flag;
  }
  return nullptr;
}

std::string_view Trim(std::string_view text) {
  const char* blanks = " \t\r";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace

bool CommandOptions::Parse(const std::vector<std::string>& arguments,
                           const std::vector<FlagInfo>& flags, std::string* error) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.rfind("--", 0) != 0) {
      positional_.push_back(argument);
      continue;
    }
    std::string name = argument.substr(2);
    std::optional<std::string> value;
    const size_t equals = name.find('=');
    if (equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    const FlagInfo* flag = FindFlag(flags, name);
    if (flag == nullptr) {
      *error = "unknown flag --" + name;
      return false;
    }
    if (flag->value_name == nullptr) {
      if (value) {
        *error = "--" + name + " takes no value";
        return false;
      }
      value = "true";
    } else if (!value) {
      if (i + 1 >= arguments.size()) {
        *error = "--" + name + " needs a value";
        return false;
      }
      value = arguments[++i];
    }
    values_[name].push_back(*value);
  }
  return true;
}

bool CommandOptions::MergeFile(const std::string& path, const std::vector<FlagInfo>& flags,
                               std::string* error) {
  // A folder opens as a stream that reads nothing, which would pass for an
  // empty file.
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) {
    *error = "the configuration file " + path + " is a folder";
    return false;
  }
  std::ifstream file(path);
  if (!file) {
    *error = "cannot read the configuration file " + path;
    return false;
  }
  std::set<std::string, std::less<>> from_command_line;
  for (const auto& [name, values] : values_) from_command_line.insert(name);
  std::string line;
  int number = 0;
  while (std::getline(file, line)) {
    ++number;
    // Editors that write a byte-order mark put it before the first key.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (number == 1 && line.rfind(kByteOrderMark, 0) == 0) line.erase(0, kByteOrderMark.size());
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == '#') continue;
    const size_t equals = text.find('=');
    const std::string where = path + ":" + std::to_string(number) + ": ";
    if (equals == std::string_view::npos) {
      *error = where + "expected \"key = value\"";
      return false;
    }
    const std::string key(Trim(text.substr(0, equals)));
    const std::string value(Trim(text.substr(equals + 1)));
    const FlagInfo* flag = FindFlag(flags, key);
    if (flag == nullptr) {
      *error = where + "unknown key " + key;
      return false;
    }
    if (flag->value_name == nullptr && value != "true" && value != "false") {
      *error = where + key + " must be true or false";
      return false;
    }
    if (from_command_line.count(key) != 0) continue;
    if (flag->value_name == nullptr && value == "false") {
      values_.erase(key);
      continue;
    }
    values_[key].push_back(value);
    origins_[key] = where;
  }
  return true;
}

std::string CommandOptions::Origin(std::string_view name) const {
  auto found = origins_.find(name);
  return found == origins_.end() ? std::string() : found->second;
}

bool CommandOptions::Has(std::string_view name) const { return values_.count(name) != 0; }

std::optional<std::string> CommandOptions::Value(std::string_view name) const {
  auto found = values_.find(name);
  if (found == values_.end() || found->second.empty()) return std::nullopt;
  return found->second.back();
}

std::vector<std::string> CommandOptions::Values(std::string_view name) const {
  auto found = values_.find(name);
  return found == values_.end() ? std::vector<std::string>{} : found->second;
}

std::string FormatOptionHelp(const std::vector<FlagInfo>& flags) {
  // Help texts start in this column and wrap at word breaks before the last.
  constexpr size_t kHelpColumn = 30;
  constexpr size_t kLastColumn = 79;
  const std::string indent(kHelpColumn, ' ');
  std::string text;
  for (const FlagInfo& flag : flags) {
    std::string line = std::string("  --") + flag.name;
    if (flag.value_name != nullptr) line += std::string(" ") + flag.value_name;
    if (line.size() >= kHelpColumn) {
      text += line + "\n";
      line = indent;
    } else {
      line.resize(kHelpColumn, ' ');
    }
    std::string_view help = flag.help;
    bool first_word = true;
    while (!help.empty()) {
      const size_t end = help.find(' ');
      const std::string_view word = help.substr(0, end);
      help = end == std::string_view::npos ? std::string_view() : help.substr(end + 1);
      if (!first_word && line.size() + 1 + word.size() > kLastColumn) {
        text += line + "\n";
        line = indent;
        first_word = true;
      }
      if (!first_word) line += ' ';
      line += word;
      first_word = false;
    }
    text += line + "\n";
  }
  return text;
}

}  // namespace qorv::server
