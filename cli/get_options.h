// The options of qorv get and where each path given goes, read and checked
// before anything connects.
#ifndef QORV_CLI_GET_OPTIONS_H_
#define QORV_CLI_GET_OPTIONS_H_

#include <string>
#include <string_view>
#include <vector>

#include "cli/arguments.h"
#include "cli/outcome.h"
#include "qorvsdk/comtypes.h"
#include "qorvsdk/enums.h"

namespace qorv::cli {

// Which SDK get the options ask for.
enum class GetMode {
  kLatest,      // GetLatestFiles, GetLatestProject, GetLatestProjects
  kLabel,       // --label NAME: GetProjectByLabel
  kVersion,     // --project-version N: GetProjectByVersion
  kOldVersion,  // --old-version N: GetOldVersionFile
};

// The merge program's arguments when --merge-args is not given: the order
// of the common three-way merge programs (base, yours, theirs, then the
// result after -o), each quoted so that a path with blanks stays one
// argument.
inline constexpr char kDefaultMergeArgs[] =
    "\"%BASE_FILE%\" \"%YOURS_FILE%\" \"%THEIRS_FILE%\" -o \"%RESULT_FILE%\"";

struct GetSettings {
  GetMode mode = GetMode::kLatest;
  std::string label;  // kLabel
  LONG version = 0;   // kVersion, kOldVersion
  bool recursive = false;
  bool make_writable = false;
  // Text files here end their lines with LF unless told otherwise.
  Enum_EOL eol = Enum_LF;
  Enum_SetLocalFileTime file_time = Enum_SetLocalFileTimeCurrent;
  std::string merge_tool;  // the file of the --merge program; empty without it
  std::string merge_args = kDefaultMergeArgs;
  std::string local_folder;  // absolute: --dir, or the current folder
};

// The options of the command, the prompt answers for writable local copies
// among them.
std::vector<OptionSpec> GetOptionSpecs();

// Reads the options for `argument_count` paths. A usage error names a value
// an option does not take, an option that needs another (--merge-args
// without --merge) and options that exclude each other (--label with
// --project-version, --old-version with -r, --recursive with --file ...),
// and a mode that gets one item given several; a --merge program that
// cannot be found is a local-file failure.
Outcome ReadGetSettings(const OptionValues& options, size_t argument_count, GetSettings* settings);

// Why a --merge-args template cannot be used, empty when it can: a double
// quote left open (\" is a quote inside an argument), or a %NAME% that is
// none of the placeholders (a typo would reach the merge program as it
// stands).
std::string MergeArgsProblem(std::string_view arguments);

// Where the item `server_path` goes: `folder` + "/" + its name (the root,
// having none, is `folder` itself).
std::string LocalTarget(const std::string& folder, const std::string& server_path);

// A usage error when two paths would go to one local place (two files of
// one name from different projects); `server_paths` as given.
Outcome CheckDistinctTargets(const std::string& folder,
                             const std::vector<std::string>& server_paths);

}  // namespace qorv::cli

#endif  // QORV_CLI_GET_OPTIONS_H_
