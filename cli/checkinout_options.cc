#include "cli/checkinout_options.h"

#include <string_view>

#include "cli/item_kind.h"
#include "cli/local_targets.h"
#include "cli/prompt_answers.h"

namespace qorv::cli {
namespace {

bool ParseLocalHandling(const std::string& text, Enum_UndoCheckOutLocalFileHandling* handling) {
  if (text == "leave") {
    *handling = Enum_UndoCheckOutLocalFileHandlingLeave;
  } else if (text == "replace") {
    *handling = Enum_UndoCheckOutLocalFileHandlingReplace;
  } else if (text == "delete") {
    *handling = Enum_UndoCheckOutLocalFileHandlingDelete;
  } else {
    return false;
  }
  return true;
}

Outcome CheckExclusive(const OptionValues& options) {
  static constexpr const char* kPairs[][2] = {
      {"project", "file"},
      {"recursive", "file"},
      {"keep", "remove-local"},
  };
  for (const auto& pair : kPairs) {
    if (options.Has(pair[0]) && options.Has(pair[1])) {
      return Outcome::Usage(std::string("options --") + pair[0] + " and --" + pair[1] +
                            " exclude each other");
    }
  }
  return Outcome::Success();
}

void Append(std::vector<OptionSpec>* specs, const std::vector<OptionSpec>& more) {
  specs->insert(specs->end(), more.begin(), more.end());
}

const OptionSpec kComment = {"comment", 'm', "TEXT", "The comment sent with the request."};
const OptionSpec kWritable = {
    "writable", 0, nullptr,
    "Leave files that are no longer checked out\nwritable (else read-only)."};

}  // namespace

const char* CommandName(CheckOperation operation) {
  switch (operation) {
    case CheckOperation::kCheckout:
      return "checkout";
    case CheckOperation::kUndo:
      return "undo";
    case CheckOperation::kCheckin:
      return "checkin";
  }
  return "checkout";
}

std::vector<OptionSpec> CheckOptionSpecs(CheckOperation operation) {
  std::vector<OptionSpec> specs = {
      DirOptionSpec("The local folder of the working copies, each\nPATH under its own name "
                    "(default: the current\nfolder)."),
      {"recursive", 'r', nullptr, "Take the sub-projects of each project too."},
      ProjectOptionSpec(),
      FileOptionSpec(),
      EolOptionSpec(),
      FileTimeOptionSpec(),
  };
  switch (operation) {
    case CheckOperation::kCheckout:
      specs.push_back(kComment);
      specs.push_back({"no-copy", 0, nullptr,
                       "Check out without getting the server's version\ninto the local folder."});
      // A merge answered to the writable-file question keeps the local copy
      // as --skip does: the check out gets no merge program.
      for (const OptionSpec& spec : PromptOptionSpecs({PromptKind::kWritableFile})) {
        if (std::string_view(spec.name) != "merge") specs.push_back(spec);
      }
      break;
    case CheckOperation::kUndo:
      specs.push_back({"local", 0, "leave|replace|delete",
                       "What becomes of the local copy (default\nleave; replace: by the server's "
                       "version)."});
      specs.push_back(kWritable);
      Append(&specs, PromptOptionSpecs({PromptKind::kUndoChanged}));
      break;
    case CheckOperation::kCheckin:
      specs.push_back(kComment);
      specs.push_back({"keep", 0, nullptr, "Keep the files checked out."});
      specs.push_back(
          {"remove-local", 0, nullptr, "Delete the local copies of the files checked\nin."});
      specs.push_back(kWritable);
      Append(&specs, PromptOptionSpecs({PromptKind::kCheckinUnchanged}));
      specs.push_back({"merge", 0, "TOOL",
                       "Merge a version another user checked in since\nthe check out into "
                       "the local file with the\nprogram TOOL before checking it in."});
      specs.push_back(MergeArgsOptionSpec());
      break;
  }
  return specs;
}

Outcome ReadCheckSettings(CheckOperation operation, const OptionValues& options,
                          CheckSettings* settings) {
  CheckSettings result;
  if (Outcome exclusive = CheckExclusive(options); !exclusive.ok()) return exclusive;
  if (Outcome read = ReadEolAndFileTime(options, &result); !read.ok()) return read;
  if (operation == CheckOperation::kCheckin) {
    if (Outcome merge = ReadMerge(CommandName(operation), options, &result); !merge.ok()) {
      return merge;
    }
  }
  if (auto text = options.Value("local"); text && !ParseLocalHandling(*text, &result.local)) {
    return Outcome::Usage("--local \"" + *text + "\" is not leave, replace or delete");
  }
  if (Outcome folder = ReadLocalFolder(options, &result.local_folder); !folder.ok()) return folder;
  result.comment = options.Value("comment").value_or("");
  result.recursive = options.Has("recursive");
  result.no_copy = options.Has("no-copy");
  result.keep = options.Has("keep");
  result.remove_local = options.Has("remove-local");
  result.read_only = !options.Has("writable");
  *settings = std::move(result);
  return Outcome::Success();
}

}  // namespace qorv::cli
