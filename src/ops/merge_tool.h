// Merging through the external merge program the caller chose (MergeTool):
// a get that must combine a writable local file with the server's version,
// or a check-in against a newer server version, starts it with an argument
// template (ThreeWayMergeArgs / TwoWayMergeArgs), waits until it ends and
// takes the result file it leaves behind.
#ifndef QORV_OPS_MERGE_TOOL_H_
#define QORV_OPS_MERGE_TOOL_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qorv::ops {

struct MergeInputs {
  std::string tool;               // full path of the merge program
  std::string argument_template;  // with the placeholders below
  std::string base_file;          // the common ancestor (a temporary file)
  std::string theirs_file;        // the server's current version (a temporary file)
  std::string yours_file;         // the user's local file
  std::string result_file;        // where the merged text must end up (the local file)
  std::string first_label;        // names the theirs side
  std::string second_label;       // names the yours side
};

// The template with "%BASE_FILE%", "%THEIRS_FILE%", "%YOURS_FILE%",
// "%RESULT_FILE%", "%FIRST_LABEL%" and "%SECOND_LABEL%" replaced by the
// matching input, in that order: textually, case-sensitively, every
// occurrence. No quotes are added; a template that needs them carries them.
// The labels are used as given (RunMergeTool fills empty ones first).
std::string FillMergeTemplate(const MergeInputs& inputs);

// The filled template split into the program's arguments, the way a command
// line is read:
//   - white space (space, tab, CR, LF, VT, FF) outside quotes separates
//     arguments; runs of it count once, and none makes an empty argument;
//   - a double-quoted stretch belongs to the argument it stands in, white
//     space included, and its quotes are removed: `a"b c"d` is `ab cd`, and
//     `""` alone is an empty argument; a quote left open runs to the end;
//   - \" (inside quotes or not) is a literal quote; any other backslash is
//     an ordinary character, so paths and labels keep theirs.
std::vector<std::string> SplitMergeArguments(std::string_view filled);

// Runs one merge; returns 0 or a result value, with `*description` set on
// failure (left as it was on success):
//   1. a tool path of 260 characters or more: 30005
//      "The length of the local file name \"<tool>\" is too long";
//   2. no file at the tool path (a folder is no tool): 30004
//      "Merge tool <tool> not found";
//   3. the base, theirs and yours paths released in the shared file layer,
//      so no transfer still holds them; a failure returns the file layer's
//      code and leaves `*description` as it was;
//   4. an empty first label becomes the theirs path, an empty second label
//      the yours path; the template is filled and split into arguments;
//   5. the result file, when it exists, is copied to a backup in
//      `temp_folder` (a TemporaryFileName); a copy that fails ends the merge
//      before the tool starts: 30008 "Failed to merge file";
//   6. the tool is started without a shell (argv[0] = the tool path) and
//      waited for without time limit;
//   7. when it could not be started, a signal ended it or it exited nonzero
//      (a merge tool reports conflicts it could not resolve that way): the
//      result file is put back as it was (removed when there was none) and
//      the merge fails with 30008 "Failed to merge file";
//   8. when it exited 0: 0 if the result file exists, else the result file
//      is put back as it was and the merge fails with 30004
//      "Can not save merged file at <result>".
// The backup is removed on every path, except when putting the result file
// back fails: it is then the only whole copy of the user's file and is kept,
// and the description names it.
int32_t RunMergeTool(const MergeInputs& inputs, const std::string& temp_folder,
                     std::string* description);

}  // namespace qorv::ops

#endif  // QORV_OPS_MERGE_TOOL_H_
