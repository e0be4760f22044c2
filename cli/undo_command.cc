// qorv undo PATH...: releases the user's check outs and leaves, replaces or
// deletes the local copies.
#include "cli/checkinout_run.h"
#include "cli/commands.h"

namespace qorv::cli {

Command UndoCommand() {
  return {
      .name = "undo",
      .aliases = {"uncheckout"},
      .synopsis = "PATH...",
      .summary = "Undo the check out of files and projects",
      .description =
          "Releases the user's check out of each PATH, whose local copy is in the\n"
          "folder of --dir (default: the current folder) under its own name, as\n"
          "checkout placed it. --local says what becomes of the local copy: leave\n"
          "(default), replace (by the server's version) or delete. Files that are\n"
          "no longer checked out are left read-only unless --writable.\n"
          "\n"
          "A local copy that has changed and would be replaced or deleted raises a\n"
          "question: asked on a terminal, answered by --discard-changes (undo, the\n"
          "changes are lost) or --keep-changed (the file stays checked out);\n"
          "without a terminal or an answer the undo is canceled (exit status 8).\n"
          "JSON: data.folder, data.targets (path, local, kind) and data.items.",
      .options = CheckOptionSpecs(CheckOperation::kUndo),
      .min_arguments = 1,
      .max_arguments = kAnyNumber,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = [](CommandContext& context) { return RunCheckinout(context, CheckOperation::kUndo); },
      .check =
          [](CommandContext& context) { return CheckCheckinout(context, CheckOperation::kUndo); },
  };
}

}  // namespace qorv::cli
