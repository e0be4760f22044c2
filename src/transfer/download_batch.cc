// The download side of a batch: command 65 names the files, the server
// sends their bodies back to back as one body and then one date per file.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "local/file_times.h"
#include "local/path_forms.h"
#include "local/qor_exception.h"
#include "transfer/batch_temporary.h"
#include "transfer/batch_transfer.h"
#include "transfer/delta_transfer.h"
#include "transfer/file_body.h"
#include "transfer/transfer_commands.h"
#include "transfer/transfer_exchange.h"

namespace qorv {
namespace {

// The folder holding `path` ("." for a bare name), whose volume's free
// space is asked.
std::string FolderOf(const std::string& path) {
  std::string folder = SplitLocalPath(path).parent;
  return folder.empty() ? "." : folder;
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

// Takes the arriving body and writes each entry's bytes, in entry order, to
// a replacement beside its target, closed as soon as its last byte is in.
// An entry whose file cannot be written fails alone: its remaining bytes are
// read past so the others still land.
class BodySplitter {
 public:
  BodySplitter(FileLayer& files, const std::vector<TransferEntry*>& batch)
      : files_(files), batch_(batch), replacements_(batch.size()) {}

  TransferOutcome Write(const uint8_t* from, size_t count) {
    StartEntries();
    while (count > 0 && current_ < batch_.size()) {
      const size_t take = static_cast<size_t>(std::min<uint64_t>(left_, count));
      std::optional<FileLayer::Replacement>& replacement = replacements_[current_];
      if (replacement) {
        try {
          replacement->Write(from, take);
        } catch (const CQORException& failure) {
          Fail(FileFailure(failure.code(), failure.message()).text);
        }
      }
      from += take;
      count -= take;
      left_ -= take;
      StartEntries();
    }
    return {};
  }

  // Closes the last entries (zero-size ones included) once the body is in.
  void Finish() { StartEntries(); }

  // The replacement of entry `i`, or none when that entry failed.
  std::optional<FileLayer::Replacement>& replacement(size_t i) { return replacements_[i]; }

 private:
  // Closes finished entries and begins the next, until one has bytes to
  // come or every entry is done.
  void StartEntries() {
    while (current_ < batch_.size() && (!started_ || left_ == 0)) {
      if (started_) {
        if (std::optional<FileLayer::Replacement>& done = replacements_[current_]) {
          try {
            done->CloseFile();
          } catch (const CQORException& failure) {
            Fail(FileFailure(failure.code(), failure.message()).text);
          }
        }
        ++current_;
        started_ = false;
        continue;
      }
      TransferEntry& entry = *batch_[current_];
      left_ = entry.size;
      started_ = true;
      if (!Fits(entry)) {
        entry.result_text = kTextOutOfDiskSpace;
        continue;
      }
      try {
        replacements_[current_].emplace(files_.BeginReplacement(entry.local_file_name));
      } catch (const CQORException& failure) {
        entry.result_text = FileFailure(failure.code(), failure.message()).text;
      }
    }
  }

  // Whether the volume of the entry's folder has room for it. The free space
  // is asked once per folder of a batch and counted down from there; an
  // unknown free space lets the writes tell.
  bool Fits(const TransferEntry& entry) {
    if (entry.size == 0) return true;
    const std::string folder = FolderOf(entry.local_file_name);
    if (folder != folder_) {
      folder_ = folder;
      try {
        free_ = files_.GetFreeSpace(folder);
      } catch (const CQORException&) {
        free_ = std::numeric_limits<uint64_t>::max();
      }
    }
    if (free_ < entry.size) return false;
    free_ -= entry.size;
    return true;
  }

  void Fail(const std::string& text) {
    batch_[current_]->result_text = text;
    replacements_[current_].reset();
  }

  FileLayer& files_;
  const std::vector<TransferEntry*>& batch_;
  std::vector<std::optional<FileLayer::Replacement>> replacements_;
  size_t current_ = 0;
  bool started_ = false;
  uint64_t left_ = 0;
  std::string folder_;  // the folder whose free space free_ counts down
  uint64_t free_ = 0;
};

// The compressed form: the archive is received and unpacked into the body
// temporary "recvUnzipped", which must hold exactly the batch's bytes, and
// is then split like a plain body.
TransferOutcome ReceiveUnpacked(BatchContext& context, uint32_t body_size, BodySplitter& splitter) {
  std::optional<BatchTemporary> unpacked;
  try {
    unpacked.emplace(context.files, context.job.temp_directory, "recvUnzipped",
                     TemporaryKind::kBody);
  } catch (const CQORException& failure) {
    return {failure.code(), kTextLocalTempFileFailed};
  }
  uint64_t size = 0;
  TransferOutcome outcome =
      ReceiveFileBody(context, *unpacked, body_size, BodyForm::kCompressed, &size);
  if (!outcome.ok()) return outcome;
  if (size != body_size) return {kResultLocalStoreFailed, kTextBatchMismatch};
  if (unpacked->file().Seek(0) != 0) return {kResultTempFileReadFailed, kTextErrorReadingTempFile};
  uint8_t* buffer = context.channel.scratch();
  for (uint64_t left = size; left > 0;) {
    size_t read = 0;
    try {
      read = context.files.Read(
          unpacked->file(), unpacked->path(), buffer,
          static_cast<size_t>(std::min<uint64_t>(left, BodyChannel::kMessageSize)));
    } catch (const CQORException&) {
      read = 0;
    }
    if (read == 0) return {kResultTempFileReadFailed, kTextErrorReadingTempFile};
    splitter.Write(buffer, read);
    left -= read;
  }
  return outcome;
}

}  // namespace

TransferOutcome RunDownloadBatch(BatchContext& context, const std::vector<TransferEntry*>& batch) {
  FailEntries(batch, kTextErrorReceivingFile);
  if (batch.empty()) return {};
  DownloadBatchCommand command;
  command.login_identity = context.job.login_identity;
  // A single file at or above the threshold travels as a delta against the
  // working file when deltas are used.
  command.delta =
      context.delta_used && batch.size() == 1 && batch[0]->size >= context.delta_threshold;
  uint64_t body_size = 0;
  for (TransferEntry* entry : batch) {
    command.files.push_back({entry->index, entry->server_name});
    body_size += entry->size;
  }
  if (body_size > std::numeric_limits<uint32_t>::max()) {
    FailEntries(batch, kTextFileTooLarge);
    return {kResultLocalStoreFailed, kTextFileTooLarge};
  }

  // A single file that cannot fit on its volume asks for nothing. (In a
  // batch of several, each file is checked as its bytes start and fails
  // alone.)
  TransferOutcome outcome;
  if (batch.size() == 1) {
    outcome = CheckFreeSpace(context.files, FolderOf(batch[0]->local_file_name), batch[0]->size);
  }
  if (!outcome.ok()) {
    FailEntries(batch, outcome.text);
    return outcome;
  }

  // Each file's bytes go straight to a temporary beside its target; nothing
  // is renamed over a target before the whole body and the dates are in.
  BodySplitter splitter(context.files, batch);
  std::optional<FileLayer::Replacement> rebuilt;
  bool whole = true;
  command.compressed = context.job.settings.compressed == 1;
  outcome = SendTransferCommand(context.connection, command);
  if (outcome.ok() && command.delta) {
    outcome = ReceiveDelta(context, *batch[0], &rebuilt, &whole);
  }
  if (outcome.ok() && whole && command.compressed) {
    outcome = ReceiveUnpacked(context, static_cast<uint32_t>(body_size), splitter);
    if (outcome.ok()) splitter.Finish();
  } else if (outcome.ok() && whole) {
    outcome = context.channel.Receive(
        context.connection, static_cast<uint32_t>(body_size),
        [&](const uint8_t* from, size_t count) { return splitter.Write(from, count); },
        context.progress);
    if (outcome.ok()) splitter.Finish();
  }
  if (outcome.ok()) outcome = ReceiveTransferMessage(context.connection);
  std::vector<double> dates;
  if (outcome.ok() && !ReadDownloadDates(context.connection.in_message(), batch.size(),
                                         UsesBlowfish(context.connection), &dates)) {
    outcome = {kResultLocalStoreFailed, kTextBatchMismatch};
  }
  if (!outcome.ok()) {
    // The replacements go with the splitter; the targets stay as they were.
    context.connection.Close();
    FailEntries(batch, outcome.text);
    return outcome;
  }
  const double shift = context.job.settings.server_time_offset_hours / 24.0;
  for (size_t i = 0; i < batch.size(); ++i) {
    std::optional<FileLayer::Replacement>& replacement =
        rebuilt ? rebuilt : splitter.replacement(i);
    if (!replacement) continue;  // failed alone, its text already set
    try {
      PutInPlace(context.files, *replacement, *batch[i], dates[i] + shift);
    } catch (const CQORException& failure) {
      batch[i]->result_text = FileFailure(failure.code(), failure.message()).text;
    }
  }
  return {};
}

}  // namespace qorv
