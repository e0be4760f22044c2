#include "ops/file_comparison.h"

#include <vector>

#include "local/file_digest.h"
#include "ops/report_texts.h"

namespace qorv::ops {

int32_t IsFileSameAsOnServer(const OperationContext& context, const std::string& local_file,
                             const std::string& remote_file, int32_t eol, int32_t version,
                             OperationStatus* status, bool* is_same) {
  *is_same = false;
  context.BeginOperation();
  FileStatusCommand command;
  command.line_ending_mode = eol;
  command.entries = {FileStatusEntry{remote_file, version, /*want_digest=*/true}};
  int32_t result = context.Run(command, status);
  // Read only when the result is 0.
  const std::vector<FileStatusResult>& entries = command.reply;
  // A refused entry (a file or version the server does not have) would
  // otherwise look like a successful comparison with a different file: it
  // fails the query with the entry's own result and text.
  if (result == kResultOk && !status->canceled && !entries.empty() &&
      entries.front().result != kResultOk) {
    result = entries.front().result;
    status->description = entries.front().description;
  }
  if (result != kResultOk || status->canceled) {
    context.driver.SetPercentDone(100);
    context.driver.SetProgressRange(0, 100);
    context.driver.Report("", kReportFileStatusFailedPrefix + status->description, false);
    return result;
  }
  // A reply without an entry counts as different.
  if (entries.empty()) return kResultOk;
  const FileDigest local = DigestOfFile(local_file);
  *is_same = local.ok() && local.bytes == entries.front().digest;
  return kResultOk;
}

}  // namespace qorv::ops
