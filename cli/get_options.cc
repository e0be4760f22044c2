#include "cli/get_options.h"

#include <map>

#include "cli/item_kind.h"
#include "cli/path_arguments.h"
#include "cli/prompt_answers.h"
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

// A version number of an option: 1 or more.
Outcome ReadVersion(const OptionValues& options, const char* name, LONG* version) {
  const std::string text = options.Value(name).value_or("");
  if (!ParseVersion(text, version) || *version < 1) {
    return Outcome::Usage(std::string("--") + name + " \"" + text +
                          "\" is not a version number (1 or more)");
  }
  return Outcome::Success();
}

// The first pair of options given together that exclude each other.
Outcome CheckExclusive(const OptionValues& options) {
  static constexpr const char* kPairs[][2] = {
      {"label", "project-version"}, {"label", "old-version"},   {"project-version", "old-version"},
      {"old-version", "recursive"}, {"old-version", "project"}, {"label", "file"},
      {"project-version", "file"},  {"recursive", "file"},
  };
  for (const auto& pair : kPairs) {
    if (options.Has(pair[0]) && options.Has(pair[1])) {
      return Outcome::Usage(std::string("options --") + pair[0] + " and --" + pair[1] +
                            " exclude each other");
    }
  }
  return Outcome::Success();
}

Outcome ReadMode(const OptionValues& options, size_t argument_count, GetSettings* settings) {
  const char* single = nullptr;  // the option of a mode that gets one item
  if (options.Has("label")) {
    settings->mode = GetMode::kLabel;
    settings->label = options.Value("label").value_or("");
    if (settings->label.empty()) return Outcome::Usage("--label needs the name of a label");
    single = "--label gets one PROJECT";
  } else if (options.Has("project-version")) {
    settings->mode = GetMode::kVersion;
    if (Outcome read = ReadVersion(options, "project-version", &settings->version); !read.ok()) {
      return read;
    }
    single = "--project-version gets one PROJECT";
  } else if (options.Has("old-version")) {
    settings->mode = GetMode::kOldVersion;
    if (Outcome read = ReadVersion(options, "old-version", &settings->version); !read.ok()) {
      return read;
    }
    single = "--old-version gets one FILE";
  }
  if (single != nullptr && argument_count > 1) {
    return Outcome::Usage(std::string("get: ") + single + ", not " +
                          std::to_string(argument_count) + " paths");
  }
  return Outcome::Success();
}

Outcome ReadMerge(const OptionValues& options, GetSettings* settings) {
  if (options.Has("merge")) {
    const std::string tool = options.Value("merge").value_or("");
    if (tool.empty()) return Outcome::Usage("--merge needs the merge program (TOOL)");
    // The SDK starts the program by its path, without a shell to look for it.
    std::string reason;
    settings->merge_tool = platform::FindProgramFile(tool, &reason);
    if (settings->merge_tool.empty()) {
      return Outcome::Failure(ExitClass::kLocalFile,
                              "get: the merge program " + tool + " cannot be run: " + reason);
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

}  // namespace

std::vector<OptionSpec> GetOptionSpecs() {
  std::vector<OptionSpec> specs = {
      {"dir", 'C', "DIR",
       "The local folder to get into, each PATH under\nits own name (default: the current "
       "folder)."},
      {"recursive", 'r', nullptr, "Get the sub-projects of each project too."},
      ProjectOptionSpec(),
      FileOptionSpec(),
      {"label", 0, "NAME", "Get the PROJECT as it was at label NAME."},
      {"project-version", 0, "N", "Get the PROJECT as it was at its version N."},
      {"old-version", 0, "N", "Get version N of the FILE."},
      {"eol", 0, "cr|lf|crlf", "The line ending of text files (default lf)."},
      {"file-time", 0, "WHEN",
       "The time stamp of the files written: current\n(default), modification (the file's "
       "own) or\ncheckin (when it was checked in)."},
      {"writable", 0, nullptr,
       "Leave the files writable (else read-only unless\nchecked out by you)."},
  };
  for (const OptionSpec& spec : PromptOptionSpecs({PromptKind::kWritableFile})) {
    specs.push_back(spec);
  }
  specs.push_back({"merge-args", 0, "TEMPLATE",
                   "The arguments of the --merge program, with\n%BASE_FILE%, %THEIRS_FILE%, "
                   "%YOURS_FILE%,\n%RESULT_FILE%, %FIRST_LABEL%, %SECOND_LABEL%;\ndouble quotes "
                   "group an argument (default:\n\"%BASE_FILE%\" \"%YOURS_FILE%\" "
                   "\"%THEIRS_FILE%\"\n-o \"%RESULT_FILE%\")."});
  return specs;
}

Outcome ReadGetSettings(const OptionValues& options, size_t argument_count, GetSettings* settings) {
  GetSettings result;
  if (options.Has("project") && options.Has("file")) {
    return Outcome::Usage("options --project and --file exclude each other");
  }
  if (Outcome exclusive = CheckExclusive(options); !exclusive.ok()) return exclusive;
  if (Outcome mode = ReadMode(options, argument_count, &result); !mode.ok()) return mode;
  if (auto text = options.Value("eol"); text && !ParseEol(*text, &result.eol)) {
    return Outcome::Usage("--eol \"" + *text + "\" is not cr, lf or crlf");
  }
  if (auto text = options.Value("file-time"); text && !ParseFileTime(*text, &result.file_time)) {
    return Outcome::Usage("--file-time \"" + *text + "\" is not current, modification or checkin");
  }
  if (Outcome merge = ReadMerge(options, &result); !merge.ok()) return merge;
  result.recursive = options.Has("recursive");
  result.make_writable = options.Has("writable");
  if (options.Has("dir") && options.Value("dir").value_or("").empty()) {
    return Outcome::Usage("--dir needs the name of a local folder");
  }
  result.local_folder = platform::AbsoluteLocalPath(options.Value("dir").value_or(""));
  *settings = std::move(result);
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

std::string LocalTarget(const std::string& folder, const std::string& server_path) {
  const std::string path = ServerPathArgument(server_path);
  if (path == "$" || path == "$/") return folder;
  const std::string name = LeafName(path);
  return folder == "/" ? "/" + name : folder + "/" + name;
}

Outcome CheckDistinctTargets(const std::string& folder,
                             const std::vector<std::string>& server_paths) {
  std::map<std::string, std::string> taken;  // local target -> the path going there
  for (const std::string& argument : server_paths) {
    const std::string path = ServerPathArgument(argument);
    const std::string target = LocalTarget(folder, path);
    auto [it, added] = taken.emplace(target, path);
    if (!added) {
      return Outcome::Usage("get: " + it->second + " and " + path + " would both go to " + target +
                            "; get them with separate --dir folders");
    }
  }
  return Outcome::Success();
}

}  // namespace qorv::cli
