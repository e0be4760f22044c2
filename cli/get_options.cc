#include "cli/get_options.h"

#include "cli/item_kind.h"
#include "cli/prompt_answers.h"
#include "cli/value_parsers.h"

namespace qorv::cli {
namespace {

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

}  // namespace

std::vector<OptionSpec> GetOptionSpecs() {
  std::vector<OptionSpec> specs = {
      DirOptionSpec("The local folder to get into, each PATH under\nits own name (default: the "
                    "current folder)."),
      {"recursive", 'r', nullptr, "Get the sub-projects of each project too."},
      ProjectOptionSpec(),
      FileOptionSpec(),
      {"label", 0, "NAME", "Get the PROJECT as it was at label NAME."},
      {"project-version", 0, "N", "Get the PROJECT as it was at its version N."},
      {"old-version", 0, "N", "Get version N of the FILE."},
      EolOptionSpec(),
      FileTimeOptionSpec(),
      {"writable", 0, nullptr,
       "Leave the files writable (else read-only unless\nchecked out by you)."},
  };
  for (const OptionSpec& spec : PromptOptionSpecs({PromptKind::kWritableFile})) {
    specs.push_back(spec);
  }
  specs.push_back(MergeArgsOptionSpec());
  return specs;
}

Outcome ReadGetSettings(const OptionValues& options, size_t argument_count, GetSettings* settings) {
  GetSettings result;
  if (options.Has("project") && options.Has("file")) {
    return Outcome::Usage("options --project and --file exclude each other");
  }
  if (Outcome exclusive = CheckExclusive(options); !exclusive.ok()) return exclusive;
  if (Outcome mode = ReadMode(options, argument_count, &result); !mode.ok()) return mode;
  if (Outcome read = ReadEolAndFileTime(options, &result); !read.ok()) return read;
  if (Outcome merge = ReadMerge("get", options, &result); !merge.ok()) return merge;
  result.recursive = options.Has("recursive");
  result.make_writable = options.Has("writable");
  if (Outcome folder = ReadLocalFolder(options, &result.local_folder); !folder.ok()) return folder;
  *settings = std::move(result);
  return Outcome::Success();
}

}  // namespace qorv::cli
