#include "cli/arguments.h"

#include <algorithm>

namespace qorv::cli {
namespace {

constexpr size_t kHelpColumn = 28;

const OptionSpec* FindLong(std::string_view name, const std::vector<const OptionSpec*>& specs) {
  for (const OptionSpec* spec : specs) {
    if (name == spec->name) return spec;
  }
  return nullptr;
}

const OptionSpec* FindShort(char name, const std::vector<const OptionSpec*>& specs) {
  for (const OptionSpec* spec : specs) {
    if (spec->short_name != 0 && spec->short_name == name) return spec;
  }
  return nullptr;
}

class Parser {
 public:
  Parser(const std::vector<std::string>& arguments, CommandLine* line, std::string* error)
      : arguments_(arguments), line_(line), error_(error) {}

  void Allow(const std::vector<OptionSpec>& specs) {
    for (const OptionSpec& spec : specs) allowed_.push_back(&spec);
  }

  // Takes the option at arguments_[*index]; advances *index past its value.
  bool TakeOption(size_t* index) {
    const std::string& argument = arguments_[*index];
    if (argument.rfind("--", 0) == 0) {
      const size_t equals = argument.find('=');
      const std::string name =
          argument.substr(2, equals == std::string::npos ? equals : equals - 2);
      const OptionSpec* spec = FindLong(name, allowed_);
      if (spec == nullptr) return Fail("unknown option --" + name);
      if (equals != std::string::npos) {
        if (spec->value_name == nullptr) return Fail("option --" + name + " takes no value");
        line_->options.Add(spec->name, argument.substr(equals + 1));
        return true;
      }
      return TakeValue(*spec, index);
    }
    // One or more short options: "-R", "-Rq", or "-x VALUE".
    for (size_t i = 1; i < argument.size(); ++i) {
      const OptionSpec* spec = FindShort(argument[i], allowed_);
      if (spec == nullptr) return Fail(std::string("unknown option -") + argument[i]);
      if (spec->value_name != nullptr) {
        if (i + 1 < argument.size()) {
          line_->options.Add(spec->name, argument.substr(i + 1));
          return true;
        }
        return TakeValue(*spec, index);
      }
      line_->options.Add(spec->name, "");
    }
    return true;
  }

  bool Fail(std::string message) {
    *error_ = std::move(message);
    return false;
  }

 private:
  bool TakeValue(const OptionSpec& spec, size_t* index) {
    if (spec.value_name == nullptr) {
      line_->options.Add(spec.name, "");
      return true;
    }
    if (*index + 1 >= arguments_.size()) {
      return Fail(std::string("option --") + spec.name + " needs a value (" + spec.value_name +
                  ")");
    }
    ++*index;
    line_->options.Add(spec.name, arguments_[*index]);
    return true;
  }

  const std::vector<std::string>& arguments_;
  CommandLine* line_;
  std::string* error_;
  std::vector<const OptionSpec*> allowed_;
};

bool IsOption(const std::string& argument) { return argument.size() > 1 && argument[0] == '-'; }

}  // namespace

std::optional<std::string> OptionValues::Value(std::string_view name) const {
  auto it = values_.find(name);
  if (it == values_.end() || it->second.empty()) return std::nullopt;
  return it->second.back();
}

std::vector<std::string> OptionValues::Values(std::string_view name) const {
  auto it = values_.find(name);
  return it == values_.end() ? std::vector<std::string>() : it->second;
}

bool ParseCommandLine(const std::vector<std::string>& arguments,
                      const std::vector<OptionSpec>& global_options,
                      const CommandOptionsLookup& command_options, CommandLine* line,
                      std::string* error) {
  *line = CommandLine();
  Parser parser(arguments, line, error);
  parser.Allow(global_options);
  bool options_ended = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!options_ended && argument == "--") {
      options_ended = true;
      continue;
    }
    if (!options_ended && IsOption(argument)) {
      if (!parser.TakeOption(&i)) return false;
      continue;
    }
    if (line->command.empty()) {
      const std::vector<OptionSpec>* specs = command_options(argument);
      if (specs == nullptr) return parser.Fail("unknown command \"" + argument + "\"");
      line->command = argument;
      parser.Allow(*specs);
      continue;
    }
    line->arguments.push_back(argument);
  }
  return true;
}

std::string FormatOptionList(const std::vector<OptionSpec>& options) {
  std::string text;
  for (const OptionSpec& spec : options) {
    std::string left = "  ";
    left += spec.short_name != 0 ? std::string("-") + spec.short_name + ", " : "    ";
    left += std::string("--") + spec.name;
    if (spec.value_name != nullptr) left += std::string(" ") + spec.value_name;
    left += left.size() + 2 <= kHelpColumn ? std::string(kHelpColumn - left.size(), ' ')
                                           : "\n" + std::string(kHelpColumn, ' ');
    // Continuation lines of a long help text line up with its first line.
    std::string help;
    for (const char* c = spec.help; *c != '\0'; ++c) {
      help += *c;
      if (*c == '\n') help += std::string(kHelpColumn, ' ');
    }
    text += left + help + "\n";
  }
  return text;
}

}  // namespace qorv::cli
