// qorv checkout PATH...: reserves files on the server for the user and gets
// them into a local folder as writable files.
#include "cli/checkinout_run.h"
#include "cli/commands.h"

namespace qorv::cli {

Command CheckoutCommand() {
  return {
      .name = "checkout",
      .aliases = {"co"},
      .synopsis = "PATH...",
      .summary = "Check out files and projects into a local folder",
      .description =
          "Checks out each PATH for the user and gets the server's version into the\n"
          "folder of --dir (default: the current folder) under its own name, as get\n"
          "places it: a file as DIR/NAME, a project's files into DIR/NAME (with -r\n"
          "its sub-projects below that). The files checked out are writable.\n"
          "Whether a PATH is a project is asked of the server unless --project or\n"
          "--file says so. --no-copy checks out without getting the files.\n"
          "\n"
          "A local copy that is writable and differs from the server's raises a\n"
          "question: asked on a terminal, answered by --replace (get the server's\n"
          "version) or --skip (keep the local copy); without a terminal or an\n"
          "answer the check out is canceled (exit status 8). A file that could not\n"
          "be checked out fails the command with its result.\n"
          "JSON: data.folder, data.targets (path, local, kind) and data.items.",
      .options = CheckOptionSpecs(CheckOperation::kCheckout),
      .min_arguments = 1,
      .max_arguments = kAnyNumber,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run =
          [](CommandContext& context) { return RunCheckinout(context, CheckOperation::kCheckout); },
      .check =
          [](CommandContext& context) {
            return CheckCheckinout(context, CheckOperation::kCheckout);
          },
  };
}

}  // namespace qorv::cli
