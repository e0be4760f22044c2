#include "cli/local_file_options.h"

#include "cli/value_parsers.h"
#include "platform/console/local_paths.h"

namespace qorv::cli {
namespace {

constexpr const char* kPlaceholders[] = {"BASE_FILE",   "THEIRS_FILE", "YOURS_FILE",
                                         "RESULT_FILE", "FIRST_LABEL", "SECOND_LABEL"};

bool ParseFileTime(const std::string& text, Enum_SetLocalFileTime* file_time) {
  if (text == "current") {
    *file_time = Enum_SetLocalFileTimeCurrent;
  } else if (text == "modification") {
    *file_time = Enum_SetLocalFileTimeModification;
  } else if (text == "checkin") {
    *file_time = Enum_SetLocalFileTimeCheckIn;
  } else {
    return false;
  }
  return true;
}

}  // namespace

OptionSpec EolOptionSpec() {
  return {"eol", 0, "cr|lf|crlf", "The line ending of text files (default lf)."};
}

OptionSpec FileTimeOptionSpec() {
  return {"file-time", 0, "WHEN",
          "The time stamp of the files written: current\n(default), modification (the file's "
          "own) or\ncheckin (when it was checked in)."};
}

OptionSpec MergeArgsOptionSpec() {
  return {"merge-args", 0, "TEMPLATE",
          "The arguments of the --merge program, with\n%BASE_FILE%, %THEIRS_FILE%, "
          "%YOURS_FILE%,\n%RESULT_FILE%, %FIRST_LABEL%, %SECOND_LABEL%;\ndouble quotes "
          "group an argument (default:\n\"%BASE_FILE%\" \"%YOURS_FILE%\" "
          "\"%THEIRS_FILE%\"\n-o \"%RESULT_FILE%\")."};
}

Outcome ReadEolAndFileTime(const OptionValues& options, LocalFileSettings* settings) {
  if (auto text = options.Value("eol"); text && !ParseEol(*text, &settings->eol)) {
    return Outcome::Usage("--eol \"" + *text + "\" is not cr, lf or crlf");
  }
  if (auto text = options.Value("file-time"); text && !ParseFileTime(*text, &settings->file_time)) {
    return Outcome::Usage("--file-time \"" + *text + "\" is not current, modification or checkin");
  }
  return Outcome::Success();
}

Outcome ReadMerge(const char* command, const OptionValues& options, LocalFileSettings* settings) {
  if (options.Has("merge")) {
    const std::string tool = options.Value("merge").value_or("");
    if (tool.empty()) return Outcome::Usage("--merge needs the merge program (TOOL)");
    // The SDK starts the program by its path, without a shell to look for it.
    std::string reason;
    settings->merge_tool = platform::FindProgramFile(tool, &reason);
    if (settings->merge_tool.empty()) {
      return Outcome::Failure(ExitClass::kLocalFile, std::string(command) + ": the merge program " +
                                                         tool + " cannot be run: " + reason);
    }
  }
  if (!options.Has("merge-args")) return Outcome::Success();
  if (!options.Has("merge")) {
    return Outcome::Usage("--merge-args needs --merge TOOL, the program it is given to");
  }
  settings->merge_args = options.Value("merge-args").value_or("");
  if (const std::string problem = MergeArgsProblem(settings->merge_args); !problem.empty()) {
    return Outcome::Usage("--merge-args \"" + settings->merge_args + "\": " + problem);
  }
  return Outcome::Success();
}

std::string MergeArgsProblem(std::string_view arguments) {
  size_t quotes = 0;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == '\\' && i + 1 < arguments.size() && arguments[i + 1] == '"') {
      ++i;  // \" is a quote inside the argument
    } else if (arguments[i] == '"') {
      ++quotes;
    }
  }
  if (quotes % 2 != 0) return "a double quote is not closed";
  for (size_t start = arguments.find('%'); start != std::string_view::npos;) {
    const size_t end = arguments.find('%', start + 1);
    if (end == std::string_view::npos) break;
    const std::string_view name = arguments.substr(start + 1, end - start - 1);
    // Only what looks like a placeholder is one: "%d%" or "50%" in a
    // program's own option stay as they are.
    const bool looks_like_one =
        name.size() > 1 &&
        name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_") == std::string_view::npos;
    if (!looks_like_one) {
      start = end;
      continue;
    }
    bool known = false;
    for (const char* placeholder : kPlaceholders) known = known || name == placeholder;
    if (!known) {
      return "%" + std::string(name) +
             "% is no placeholder (%BASE_FILE%, %THEIRS_FILE%, %YOURS_FILE%, %RESULT_FILE%, "
             "%FIRST_LABEL%, %SECOND_LABEL%)";
    }
    start = arguments.find('%', end + 1);
  }
  return std::string();
}

}  // namespace qorv::cli
