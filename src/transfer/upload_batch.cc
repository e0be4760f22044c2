// The upload side of a batch: the files are read into the batch temporary
// ("SendBig") one after the other, announced with command 64 and sent as
// one body; the server answers one {transferred, text} per file.
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

#include "local/file_times.h"
#include "local/qor_exception.h"
#include "transfer/batch_temporary.h"
#include "transfer/batch_transfer.h"
#include "transfer/delta_transfer.h"
#include "transfer/file_body.h"
#include "transfer/transfer_commands.h"
#include "transfer/transfer_exchange.h"

namespace qorv {
namespace {

// The largest body a batch can announce (an int32 on the wire).
constexpr uint64_t kMaxBody = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());

enum class Appended { kWhole, kSourceFailed, kTooLarge, kChanged };

// What a source file looked like when it was opened.
struct SourceState {
  uint64_t size = 0;
  platform::FileTime last_write = 0;
  bool operator==(const SourceState&) const = default;
};

SourceState StateOf(FileLayer& files, const std::string& path) {
  return {files.GetFileSize(path), files.GetLastWriteTime(path)};
}

// Appends the whole of `source` to the batch file at `offset`; *copied
// counts its bytes. A failure to read the source, a file that would push
// the body past kMaxBody, or one whose size or last-write time is no longer
// `opened` once read (written to, cut short or replaced meanwhile), takes
// the batch file back to `offset`. A failure to write the batch file raises.
Appended AppendFile(BatchContext& context, BatchTemporary& batch_file, uint64_t offset,
                    platform::OpenFile& source, const std::string& source_path,
                    const SourceState& opened, uint64_t* copied) {
  uint8_t* buffer = context.channel.scratch();
  *copied = 0;
  Appended outcome = Appended::kWhole;
  for (;;) {
    size_t read = 0;
    try {
      read = context.files.Read(source, source_path, buffer, BodyChannel::kMessageSize);
    } catch (const CQORException&) {
      outcome = Appended::kSourceFailed;
      break;
    }
    if (read == 0) break;
    if (offset + *copied + read > kMaxBody) {
      outcome = Appended::kTooLarge;
      break;
    }
    context.files.Write(batch_file.file(), batch_file.path(), buffer, read);
    *copied += read;
  }
  if (outcome == Appended::kWhole) {
    try {
      if (*copied != opened.size || !(StateOf(context.files, source_path) == opened)) {
        outcome = Appended::kChanged;
      }
    } catch (const CQORException&) {
      outcome = Appended::kChanged;  // gone meanwhile
    }
  }
  if (outcome != Appended::kWhole) {
    if (batch_file.file().Truncate(offset) != 0 || batch_file.file().Seek(offset) != 0) {
      throw CQORException::ForCode(kFileErrorBadSeek, batch_file.path());
    }
  }
  return outcome;
}

}  // namespace

TransferOutcome RunUploadBatch(BatchContext& context, const std::vector<TransferEntry*>& batch) {
  FailEntries(batch, kTextLocalTempFileFailed);
  std::optional<BatchTemporary> batch_file;
  std::vector<TransferEntry*> sending;
  UploadBatchCommand command;
  command.login_identity = context.job.login_identity;
  const double shift = context.job.settings.server_time_offset_hours / 24.0;
  uint64_t body_size = 0;
  try {
    batch_file.emplace(context.files, context.job.temp_directory, "SendBig");
    for (TransferEntry* entry : batch) {
      std::unique_ptr<platform::OpenFile> source;
      SourceState opened;
      try {
        source = context.files.Open(entry->local_file_name, platform::FileAccess::kRead,
                                    platform::FileCreation::kOpenExisting,
                                    platform::FileSharing::kShared);
        opened = StateOf(context.files, entry->local_file_name);
      } catch (const CQORException&) {
        entry->result_text = kTextOpeningLocalFileFailed;
        continue;
      }
      uint64_t copied = 0;
      switch (AppendFile(context, *batch_file, body_size, *source, entry->local_file_name, opened,
                         &copied)) {
        case Appended::kSourceFailed:
          entry->result_text = kTextOpeningLocalFileFailed;
          continue;
        case Appended::kTooLarge:
          entry->result_text = kTextFileTooLarge;
          continue;
        case Appended::kChanged:
          entry->result_text = kTextFileChangedWhileRead;
          continue;
        case Appended::kWhole:
          break;
      }
      const double date = FileTimeToLocalDate(opened.last_write);
      body_size += copied;
      entry->size = static_cast<uint32_t>(copied);
      entry->date = date;
      entry->result_text = kTextErrorSendingFile;
      sending.push_back(entry);
      command.files.push_back({entry->index, static_cast<int32_t>(copied), date - shift});
    }
    if (batch_file->file().Seek(0) != 0) {
      throw CQORException::ForCode(kFileErrorBadSeek, batch_file->path());
    }
  } catch (const CQORException& failure) {
    // The batch file could not be created or written: nothing is sent.
    for (TransferEntry* entry : sending) entry->result_text = kTextLocalTempFileFailed;
    return {failure.code(), kTextLocalTempFileFailed};
  }
  if (sending.empty()) return {};
  // A single file above the threshold travels as a delta against the
  // server's latest version when deltas are used.
  command.delta = context.delta_used && batch.size() == 1 && sending.size() == 1 &&
                  sending[0]->size > context.delta_threshold;

  const BodyForm form =
      context.job.settings.compressed == 1 ? BodyForm::kCompressed : BodyForm::kPlain;
  command.compressed = form == BodyForm::kCompressed;
  bool whole = true;
  TransferOutcome outcome = SendTransferCommand(context.connection, command);
  if (outcome.ok() && command.delta) {
    outcome = SendDelta(context, *batch_file, *sending[0], &whole);
  }
  if (outcome.ok() && whole) outcome = SendFileBody(context, *batch_file, body_size, form);
  if (outcome.ok()) outcome = ReceiveTransferMessage(context.connection);
  std::vector<UploadFileResult> results;
  if (outcome.ok() && !ReadUploadResults(context.connection.in_message(), sending.size(),
                                         UsesBlowfish(context.connection), &results)) {
    outcome = {kResultLocalStoreFailed, kTextBatchMismatch};
  }
  if (!outcome.ok()) {
    context.connection.Close();
    FailEntries(sending, outcome.text);
    return outcome;
  }
  for (size_t i = 0; i < sending.size(); ++i) {
    sending[i]->result = results[i].transferred ? 1 : 0;
    sending[i]->result_text = results[i].text;
  }
  return {};
}

}  // namespace qorv
