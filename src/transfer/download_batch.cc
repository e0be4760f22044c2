// The download side of a batch: command 65 names the files, the server
// sends their bodies back to back as one body and then one date per file.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "local/file_times.h"
#include "local/qor_exception.h"
#include "transfer/batch_temporary.h"
#include "transfer/batch_transfer.h"
#include "transfer/transfer_commands.h"
#include "transfer/transfer_exchange.h"

namespace qorv {
namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Fails with the out-of-disk-space outcome when the volume holding `folder`
// is known to have fewer than `size` bytes free.
TransferOutcome CheckFreeSpace(FileLayer& files, const std::string& folder, uint64_t size) {
  if (size == 0) return {};
  try {
    if (files.GetFreeSpace(folder) < size) return {kResultOutOfDiskSpace, kTextOutOfDiskSpace};
  } catch (const CQORException&) {
    // Unknown free space: the writes will tell.
  }
  return {};
}

// Puts a received file in place: the replacement renamed over the target,
// then the target's time set to `date` and its read-only attribute as the
// old file had it (a file that did not exist ends read-only).
void PutInPlace(FileLayer& files, FileLayer::Replacement& replacement, TransferEntry& entry,
                double date) {
  const int32_t former = files.GetAttributes(entry.local_file_name);
  const bool read_only =
      former == platform::kInvalidAttributes || (former & platform::kAttributeReadOnly) != 0;
  replacement.Commit();
  // The body is in place; a time or attribute that cannot be set leaves
  // the file as it came.
  try {
    files.SetLastWriteTime(entry.local_file_name, LocalDateToFileTime(date));
  } catch (const CQORException&) {
  }
  try {
    files.SetAttributes(entry.local_file_name,
                        read_only ? platform::kAttributeReadOnly : platform::kAttributeNormal);
  } catch (const CQORException&) {
  }
  entry.date = date;
  entry.result = 1;
  entry.result_text = kTextCompleted;
}

TransferOutcome WriteToReplacement(FileLayer::Replacement& replacement, const uint8_t* from,
                                   size_t count) {
  try {
    replacement.Write(from, count);
  } catch (const CQORException& failure) {
    return FileFailure(failure.code(), failure.message());
  }
  return {};
}

// Splits the received batch file: each entry's bytes, in order, go into a
// replacement of its target. A file that cannot be written fails alone; a
// batch file shorter than its entries fails the entries it cannot fill.
void SplitBatchFile(BatchContext& context, BatchTemporary& batch_file,
                    const std::vector<TransferEntry*>& batch, const std::vector<double>& dates) {
  uint8_t* buffer = context.channel.scratch();
  uint64_t offset = 0;
  for (size_t i = 0; i < batch.size(); ++i) {
    TransferEntry& entry = *batch[i];
    const uint64_t start = offset;
    offset += entry.size;
    TransferOutcome outcome =
        CheckFreeSpace(context.files, FolderOf(entry.local_file_name), entry.size);
    if (!outcome.ok()) {
      entry.result_text = outcome.text;
      continue;
    }
    try {
      if (batch_file.file().Seek(start) != 0) {
        throw CQORException::ForCode(kFileErrorBadSeek, batch_file.path());
      }
      FileLayer::Replacement replacement = context.files.BeginReplacement(entry.local_file_name);
      uint64_t left = entry.size;
      while (left > 0 && outcome.ok()) {
        const size_t piece =
            static_cast<size_t>(std::min<uint64_t>(left, BodyChannel::kMessageSize));
        const size_t read = context.files.Read(batch_file.file(), batch_file.path(), buffer, piece);
        if (read == 0) {
          outcome = {kResultLocalStoreFailed, kTextBatchMismatch};
          break;
        }
        outcome = WriteToReplacement(replacement, buffer, read);
        left -= read;
      }
      if (outcome.ok()) {
        PutInPlace(context.files, replacement, entry, dates[i]);
      } else {
        entry.result_text = outcome.text;
      }
    } catch (const CQORException& failure) {
      entry.result_text = FileFailure(failure.code(), failure.message()).text;
    }
  }
}

}  // namespace

TransferOutcome RunDownloadBatch(BatchContext& context, const std::vector<TransferEntry*>& batch) {
  FailEntries(batch, kTextErrorReceivingFile);
  if (batch.empty()) return {};
  DownloadBatchCommand command;
  command.login_identity = context.job.login_identity;
  uint64_t body_size = 0;
  for (TransferEntry* entry : batch) {
    command.files.push_back({entry->index, entry->server_name});
    body_size += entry->size;
  }
  if (body_size > std::numeric_limits<uint32_t>::max()) {
    FailEntries(batch, kTextFileTooLarge);
    return {kResultLocalStoreFailed, kTextFileTooLarge};
  }

  // The place the body goes is made ready before anything is asked for, so
  // that a local failure costs no exchange.
  const bool single = batch.size() == 1;
  std::optional<FileLayer::Replacement> replacement;
  std::optional<BatchTemporary> batch_file;
  TransferOutcome outcome;
  try {
    const std::string folder =
        single ? FolderOf(batch[0]->local_file_name) : context.job.temp_directory;
    outcome = CheckFreeSpace(context.files, folder, body_size);
    if (outcome.ok()) {
      if (single) {
        replacement.emplace(context.files.BeginReplacement(batch[0]->local_file_name));
      } else {
        batch_file.emplace(context.files, context.job.temp_directory, "getfile");
      }
    }
  } catch (const CQORException& failure) {
    outcome = single ? FileFailure(failure.code(), failure.message())
                     : TransferOutcome{failure.code(), kTextLocalTempFileFailed};
  }
  if (!outcome.ok()) {
    FailEntries(batch, outcome.text);
    return outcome;
  }

  outcome = SendTransferCommand(context.connection, command);
  if (outcome.ok()) {
    FileLayer& files = context.files;
    outcome = context.channel.Receive(
        context.connection, static_cast<uint32_t>(body_size),
        [&](const uint8_t* from, size_t count) -> TransferOutcome {
          if (replacement) return WriteToReplacement(*replacement, from, count);
          try {
            files.Write(batch_file->file(), batch_file->path(), from, count);
          } catch (const CQORException& failure) {
            return FileFailure(failure.code(), failure.message());
          }
          return {};
        },
        context.progress);
  }
  if (outcome.ok()) outcome = ReceiveTransferMessage(context.connection);
  std::vector<double> dates;
  if (outcome.ok() && !ReadDownloadDates(context.connection.in_message(), batch.size(),
                                         UsesBlowfish(context.connection), &dates)) {
    outcome = {kResultLocalStoreFailed, kTextBatchMismatch};
  }
  if (!outcome.ok()) {
    // The replacement or batch file goes with this scope; the targets stay
    // as they were.
    context.connection.Close();
    FailEntries(batch, outcome.text);
    return outcome;
  }
  const double shift = context.job.settings.server_time_offset_hours / 24.0;
  for (double& date : dates) date += shift;

  if (single) {
    try {
      PutInPlace(context.files, *replacement, *batch[0], dates[0]);
    } catch (const CQORException& failure) {
      batch[0]->result_text = FileFailure(failure.code(), failure.message()).text;
    }
    return {};
  }
  SplitBatchFile(context, *batch_file, batch, dates);
  return {};
}

}  // namespace qorv
