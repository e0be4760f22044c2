// The options of qorv checkout, undo and checkin, read and checked before
// anything connects.
#ifndef QORV_CLI_CHECKINOUT_OPTIONS_H_
#define QORV_CLI_CHECKINOUT_OPTIONS_H_

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/local_file_options.h"
#include "cli/outcome.h"
#include "qorvsdk/enums.h"

namespace qorv::cli {

enum class CheckOperation {
  kCheckout,  // CheckoutFiles, CheckoutProject
  kUndo,      // UndoFilesCheckout, UndoProjectCheckout
  kCheckin,   // CheckInFiles, CheckInProject
};

// The command's name: "checkout", "undo" or "checkin".
const char* CommandName(CheckOperation operation);

struct CheckSettings : LocalFileSettings {
  std::string comment;        // -m: checkout, checkin
  bool recursive = false;     // -r: the project forms
  bool no_copy = false;       // --no-copy: DoNotGetLocalCopy (checkout)
  bool keep = false;          // --keep: KeepCheckout (checkin)
  bool remove_local = false;  // --remove-local: RemoveLocalCopy (checkin)
  Enum_UndoCheckOutLocalFileHandling local = Enum_UndoCheckOutLocalFileHandlingLeave;  // undo
  // ReadOnlyIfNotCheckedout (undo, checkin): files no longer checked out
  // are left read-only, as get leaves them, unless --writable.
  bool read_only = true;
  std::string local_folder;  // absolute: --dir, or the current folder
};

// The options of the command, the answers of the question its operation
// may ask among them.
std::vector<OptionSpec> CheckOptionSpecs(CheckOperation operation);

// Reads the options. A usage error names a value an option does not take,
// options that exclude each other (--project with --file, -r with --file,
// --keep with --remove-local) and --merge-args without --merge; a --merge
// program that cannot be found is a local-file failure.
Outcome ReadCheckSettings(CheckOperation operation, const OptionValues& options,
                          CheckSettings* settings);

}  // namespace qorv::cli

#endif  // QORV_CLI_CHECKINOUT_OPTIONS_H_
