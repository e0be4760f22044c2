// The options of qorv get, read and checked before anything connects; where
// each path goes is cli/local_targets.h.
#ifndef QORV_CLI_GET_OPTIONS_H_
#define QORV_CLI_GET_OPTIONS_H_

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/local_file_options.h"
#include "cli/local_targets.h"
#include "cli/outcome.h"
#include "qorvsdk/comtypes.h"

namespace qorv::cli {

// Which SDK get the options ask for.
enum class GetMode {
  kLatest,      // GetLatestFiles, GetLatestProject, GetLatestProjects
  kLabel,       // --label NAME: GetProjectByLabel
  kVersion,     // --project-version N: GetProjectByVersion
  kOldVersion,  // --old-version N: GetOldVersionFile
};

struct GetSettings : LocalFileSettings {
  GetMode mode = GetMode::kLatest;
  std::string label;  // kLabel
  LONG version = 0;   // kVersion, kOldVersion
  bool recursive = false;
  bool make_writable = false;
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

}  // namespace qorv::cli

#endif  // QORV_CLI_GET_OPTIONS_H_
