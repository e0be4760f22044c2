#include "ops/merge_tool.h"

#include <utility>

#include "local/file_layer.h"
#include "local/path_forms.h"
#include "local/qor_exception.h"
#include "local/working_folder.h"
#include "net/format_text.h"
#include "platform/program_launch.h"
#include "qorvsdk/result_codes.h"

namespace qorv::ops {
namespace {

// The tag of the result file's backup (TemporaryFileName).
constexpr char kBackupTag[] = "MergeBackup";

void ReplaceAll(std::string* text, std::string_view placeholder, std::string_view value) {
  for (size_t at = text->find(placeholder); at != std::string::npos;
       at = text->find(placeholder, at + value.size())) {
    text->replace(at, placeholder.size(), value);
  }
}

bool IsArgumentSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The result file as it was before the merge tool ran: a copy in the
// temporary folder, or the knowledge that there was no file. The copy is
// removed when this object goes, unless putting it back failed.
class ResultBackup {
 public:
  explicit ResultBackup(std::string result) : result_(std::move(result)) {}
  ~ResultBackup() {
    if (!backup_.empty() && !keep_) DeleteLocalFile(backup_);
  }
  ResultBackup(const ResultBackup&) = delete;
  ResultBackup& operator=(const ResultBackup&) = delete;

  // Copies the result file, when there is one, into `temp_folder`. False
  // when it exists and could not be copied.
  bool Take(const std::string& temp_folder) {
    if (!PathExists(result_)) return true;
    // The name holds the time to the second: a copy kept from a merge in
    // the same second must not be overwritten.
    std::string backup = TemporaryFileName(temp_folder, kBackupTag);
    for (int n = 1; PathExists(backup); ++n) {
      backup = TemporaryFileName(temp_folder, kBackupTag + std::to_string(n));
    }
    try {
      FileLayer::Shared().Copy(result_, backup);
    } catch (const CQORException&) {
      DeleteLocalFile(backup);  // a copy cut short
      return false;
    }
    backup_ = std::move(backup);
    return true;
  }

  // Puts the result file back as it was: the copy moved over whatever the
  // tool left (its bytes, permissions and time are those of the original),
  // or, when there was no result file, whatever the tool left removed.
  // False when that failed; a copy is then kept.
  bool Restore() {
    if (backup_.empty()) {
      DeleteLocalFile(result_);
      return !PathExists(result_);
    }
    try {
      FileLayer::Shared().Move(backup_, result_);
    } catch (const CQORException&) {
      keep_ = PathExists(backup_);
      return false;
    }
    backup_.clear();
    return true;
  }

  // True when putting the result file back failed and the copy is kept.
  bool kept() const { return keep_; }
  const std::string& path() const { return backup_; }

 private:
  std::string result_;
  std::string backup_;  // empty when there was no result file, or once moved back
  bool keep_ = false;
};

// Puts the result file back and fails with `result` and `text`; when the
// result file cannot be put back, the description names the kept copy.
int32_t FailAndRestore(ResultBackup& backup, int32_t result, std::string text,
                       std::string* description) {
  if (!backup.Restore() && backup.kept()) {
    *description = FormatText(kFormatMergeBackupKept, backup.path().c_str());
  } else {
    *description = std::move(text);
  }
  return result;
}

}  // namespace

std::string FillMergeTemplate(const MergeInputs& inputs) {
  std::string filled = inputs.argument_template;
  ReplaceAll(&filled, "%BASE_FILE%", inputs.base_file);
  ReplaceAll(&filled, "%THEIRS_FILE%", inputs.theirs_file);
  ReplaceAll(&filled, "%YOURS_FILE%", inputs.yours_file);
  ReplaceAll(&filled, "%RESULT_FILE%", inputs.result_file);
  ReplaceAll(&filled, "%FIRST_LABEL%", inputs.first_label);
  ReplaceAll(&filled, "%SECOND_LABEL%", inputs.second_label);
  return filled;
}

std::vector<std::string> SplitMergeArguments(std::string_view filled) {
  std::vector<std::string> arguments;
  std::string current;
  bool in_argument = false;  // `current` is an argument, even when empty ("")
  bool quoted = false;
  for (size_t i = 0; i < filled.size(); ++i) {
    const char c = filled[i];
    if (c == '\\' && i + 1 < filled.size() && filled[i + 1] == '"') {
      current += '"';
      in_argument = true;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
      in_argument = true;
    } else if (!quoted && IsArgumentSpace(c)) {
      if (in_argument) arguments.push_back(std::move(current));
      current.clear();
      in_argument = false;
    } else {
      current += c;
      in_argument = true;
    }
  }
  if (in_argument) arguments.push_back(std::move(current));
  return arguments;
}

int32_t RunMergeTool(const MergeInputs& inputs, const std::string& temp_folder,
                     std::string* description) {
  if (LocalNameTooLong(inputs.tool)) {
    *description = FormatText(kFormatLocalNameTooLong, inputs.tool.c_str());
    return kResultLocalNameTooLong;
  }
  if (!PathExists(inputs.tool) || IsDirectory(inputs.tool)) {
    *description = "Merge tool " + inputs.tool + kSuffixNotFound;
    return kResultLocalFileNotFound;
  }
  try {
    FileLayer& files = FileLayer::Shared();
    files.ReleasePath(inputs.base_file);
    files.ReleasePath(inputs.theirs_file);
    files.ReleasePath(inputs.yours_file);
  } catch (const CQORException& error) {
    return error.code();
  }

  MergeInputs filled_inputs = inputs;
  if (filled_inputs.first_label.empty()) filled_inputs.first_label = inputs.theirs_file;
  if (filled_inputs.second_label.empty()) filled_inputs.second_label = inputs.yours_file;
  const std::vector<std::string> arguments = SplitMergeArguments(FillMergeTemplate(filled_inputs));

  // The exit status counts, and the user's file is never left half-merged:
  // a tool that fails or reports unresolved conflicts gets the file put back
  // from this copy.
  ResultBackup backup(inputs.result_file);
  if (!backup.Take(temp_folder)) {
    *description = kTextFailedToMerge;
    return kResultMergeFailed;
  }
  int exit_status = 0;
  const int start_error = platform::RunProgramAndWait(inputs.tool, arguments, &exit_status);
  // A start error may also be a wait that failed after the tool ran, so the
  // file is put back in that case too (a copy of itself when untouched).
  if (start_error != 0 || exit_status != 0) {
    return FailAndRestore(backup, kResultMergeFailed, kTextFailedToMerge, description);
  }
  if (!PathExists(inputs.result_file)) {
    return FailAndRestore(backup, kResultLocalFileNotFound,
                          kPrefixCannotSaveMerged + inputs.result_file, description);
  }
  return kResultOk;
}

}  // namespace qorv::ops
