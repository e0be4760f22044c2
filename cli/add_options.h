// The options and arguments of qorv add, read and checked before anything
// connects: what each local name is, and where it goes on the server.
#ifndef QORV_CLI_ADD_OPTIONS_H_
#define QORV_CLI_ADD_OPTIONS_H_

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/outcome.h"
#include "qorvsdk/enums.h"

namespace qorv::cli {

// One local file or folder given and the server path it becomes.
struct AddTarget {
  std::string local;  // absolute
  std::string path;   // PROJECT/NAME
  bool folder = false;
};

struct AddSettings {
  std::string project;  // the last argument, as a server path
  std::vector<AddTarget> files;
  std::vector<AddTarget> folders;  // only with -r
  std::string comment;
  Enum_FileType file_type = Enum_Autodetect;
  Enum_EOL eol = Enum_LF;
  bool latest_only = false;  // StoreOnlyLatestVersion
  // ReadOnlyIfNotCheckedout: the files added are left read-only, as get
  // leaves them, unless --writable.
  bool read_only = true;
};

std::vector<OptionSpec> AddOptionSpecs();

// Reads the options and the arguments LOCAL... PROJECT. A usage error names
// a --type or --eol value not taken, an empty or "-" local name, a folder
// without -r, and two local names that would become one server path; a
// local name that is neither a readable file nor a folder is a local-file
// failure with the system's reason.
Outcome ReadAddSettings(const OptionValues& options, const std::vector<std::string>& arguments,
                        AddSettings* settings);

}  // namespace qorv::cli

#endif  // QORV_CLI_ADD_OPTIONS_H_
