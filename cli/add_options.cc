#include "cli/add_options.h"

#include <set>

#include "cli/local_file_options.h"
#include "cli/path_arguments.h"
#include "cli/prompt_answers.h"
#include "platform/com/ascii_case.h"
#include "platform/console/local_paths.h"
#include "platform/console/local_probe.h"

namespace qorv::cli {
namespace {

bool ParseFileType(const std::string& text, Enum_FileType* type) {
  if (text == "auto") {
    *type = Enum_Autodetect;
  } else if (text == "binary") {
    *type = Enum_Binary;
  } else if (text == "text") {
    *type = Enum_Text;
  } else {
    return false;
  }
  return true;
}

// The local name's last part, the name it gets in the project.
std::string LocalLeaf(const std::string& absolute) {
  const size_t slash = absolute.find_last_of('/');
  return slash == std::string::npos ? absolute : absolute.substr(slash + 1);
}

Outcome ReadTarget(const std::string& argument, const std::string& project, bool recursive,
                   AddTarget* target) {
  if (argument.empty()) return Outcome::Usage("add: the local file name is empty");
  if (argument == "-") {
    return Outcome::Usage("add: \"-\" (standard input) cannot be used; name a file");
  }
  target->local = platform::AbsoluteLocalPath(argument);
  target->folder = platform::IsLocalFolder(target->local);
  const std::string leaf = LocalLeaf(target->local);
  if (target->folder && !recursive) {
    return Outcome::Usage("add: " + argument + " is a folder; add it with -r");
  }
  if (leaf.empty()) return Outcome::Usage("add: " + argument + " has no name to add it under");
  if (!target->folder) {
    const std::string reason = platform::UnreadableFileReason(target->local);
    if (!reason.empty()) {
      return Outcome::Failure(ExitClass::kLocalFile,
                              "add: the local file " + argument + " cannot be read: " + reason);
    }
  }
  target->path = JoinServerPath(project, leaf);
  return Outcome::Success();
}

}  // namespace

std::vector<OptionSpec> AddOptionSpecs() {
  std::vector<OptionSpec> specs = {
      {"recursive", 'r', nullptr,
       "Add folders too, each as a new project with\nits files and sub-folders (AddFolder)."},
      {"comment", 'm', "TEXT", "The comment of the new files and projects."},
      {"type", 0, "auto|binary|text", "The file type (default auto: the server\ndecides)."},
      EolOptionSpec(),
      {"latest-only", 0, nullptr, "The server keeps only the latest version of\nthe files."},
      {"writable", 0, nullptr, "Leave the local files writable (else\nread-only)."},
  };
  for (const OptionSpec& spec : PromptOptionSpecs({PromptKind::kDeletedCopy})) {
    specs.push_back(spec);
  }
  return specs;
}

Outcome ReadAddSettings(const OptionValues& options, const std::vector<std::string>& arguments,
                        AddSettings* settings) {
  AddSettings result;
  if (auto text = options.Value("type"); text && !ParseFileType(*text, &result.file_type)) {
    return Outcome::Usage("--type \"" + *text + "\" is not auto, binary or text");
  }
  LocalFileSettings local;
  if (Outcome read = ReadEolAndFileTime(options, &local); !read.ok()) return read;
  result.eol = local.eol;
  result.comment = options.Value("comment").value_or("");
  result.latest_only = options.Has("latest-only");
  result.read_only = !options.Has("writable");
  if (arguments.size() < 2) return Outcome::Usage("add: missing argument (LOCAL... PROJECT)");
  result.project = ServerPathArgument(arguments.back());
  const bool recursive = options.Has("recursive");
  // The server compares names without regard to ASCII letter case.
  std::set<std::string> taken;
  for (size_t i = 0; i + 1 < arguments.size(); ++i) {
    AddTarget target;
    if (Outcome read = ReadTarget(arguments[i], result.project, recursive, &target); !read.ok()) {
      return read;
    }
    if (!taken.insert(AsciiLower(target.path)).second) {
      return Outcome::Usage("add: two of the local names given would become " + target.path);
    }
    (target.folder ? result.folders : result.files).push_back(std::move(target));
  }
  *settings = std::move(result);
  return Outcome::Success();
}

}  // namespace qorv::cli
