// qorv checkin PATH...: sends the local copies of the user's checked-out
// files to the server as new versions.
#include "cli/checkinout_run.h"
#include "cli/commands.h"

namespace qorv::cli {

Command CheckinCommand() {
  return {
      .name = "checkin",
      .aliases = {"ci"},
      .synopsis = "PATH...",
      .summary = "Check in files and projects from a local folder",
      .description =
          "Checks in the local copy of each PATH from the folder of --dir (default:\n"
          "the current folder), under its own name as checkout placed it, and\n"
          "releases the check out unless --keep. The files checked in are left\n"
          "read-only unless --writable; --remove-local deletes them instead.\n"
          "A file another user checked in since the check out is first merged\n"
          "with the program of --merge TOOL.\n"
          "\n"
          "A file that has not changed raises a question: asked on a terminal,\n"
          "answered by --checkin-unchanged (a new version all the same) or\n"
          "--undo-unchanged (undo its check out); without a terminal or an answer\n"
          "the check in is canceled (exit status 8). A file that could not be\n"
          "checked in fails the command with its result.\n"
          "JSON: data.folder, data.targets (path, local, kind) and data.items.",
      .options = CheckOptionSpecs(CheckOperation::kCheckin),
      .min_arguments = 1,
      .max_arguments = kAnyNumber,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run =
          [](CommandContext& context) { return RunCheckinout(context, CheckOperation::kCheckin); },
      .check =
          [](CommandContext& context) {
            return CheckCheckinout(context, CheckOperation::kCheckin);
          },
  };
}

}  // namespace qorv::cli
