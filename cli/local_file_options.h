// The options that say how local files are written and merged, shared by
// get, checkout, undo and checkin: the line ending, the time stamp and the
// merge program with its argument template.
#ifndef QORV_CLI_LOCAL_FILE_OPTIONS_H_
#define QORV_CLI_LOCAL_FILE_OPTIONS_H_

#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "cli/outcome.h"
#include "qorvsdk/enums.h"

namespace qorv::cli {

// The merge program's arguments when --merge-args is not given: the order
// of the common three-way merge programs (base, yours, theirs, then the
// result after -o), each quoted so that a path with blanks stays one
// argument.
inline constexpr char kDefaultMergeArgs[] =
    "\"%BASE_FILE%\" \"%YOURS_FILE%\" \"%THEIRS_FILE%\" -o \"%RESULT_FILE%\"";

struct LocalFileSettings {
  // Text files here end their lines with LF unless told otherwise.
  Enum_EOL eol = Enum_LF;
  Enum_SetLocalFileTime file_time = Enum_SetLocalFileTimeCurrent;
  std::string merge_tool;  // the file of the --merge program; empty without it
  std::string merge_args = kDefaultMergeArgs;
};

// The --eol and --file-time options.
OptionSpec EolOptionSpec();
OptionSpec FileTimeOptionSpec();
// The --merge-args option (--merge itself is a prompt answer's option).
OptionSpec MergeArgsOptionSpec();

// Reads --eol and --file-time; a usage error names a value they do not take.
Outcome ReadEolAndFileTime(const OptionValues& options, LocalFileSettings* settings);

// Reads --merge and --merge-args for `command`: a usage error for an empty
// TOOL, --merge-args without --merge or a template MergeArgsProblem finds;
// a program that cannot be found is a local-file failure.
Outcome ReadMerge(const char* command, const OptionValues& options, LocalFileSettings* settings);

// Why a --merge-args template cannot be used, empty when it can: a double
// quote left open (\" is a quote inside an argument), or a %NAME% that is
// none of the placeholders (a typo would reach the merge program as it
// stands).
std::string MergeArgsProblem(std::string_view arguments);

}  // namespace qorv::cli

#endif  // QORV_CLI_LOCAL_FILE_OPTIONS_H_
