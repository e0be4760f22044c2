#include "transfer/file_body.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "local/qor_exception.h"
#include "protocol/operation_driver.h"
#include "transfer/transfer_exchange.h"
#include "transfer/zip_file.h"

namespace qorv {
namespace {

// The largest body a transfer connection can announce (an int32).
constexpr uint64_t kMaxBody = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());

std::function<bool()> CancelPoll(const BatchContext& context) {
  const OperationDriver* driver = context.job.driver;
  return [driver] { return driver != nullptr && driver->CancelRequested(); };
}

// Reports `percent_from` .. `percent_to` of `scale` bytes as `done` of
// `total` goes from 0 to total.
void ReportScaled(const BatchContext& context, uint64_t scale, uint32_t percent_from,
                  uint32_t percent_to, uint64_t done, uint64_t total) {
  if (!context.progress) return;
  const uint64_t span = percent_to - percent_from;
  const uint64_t percent = percent_from + (total == 0 ? span : span * done / total);
  context.progress(scale / 100 * percent + scale % 100 * percent / 100);
}

// Sends `file` plain; `progress` is told the bytes sent.
TransferOutcome SendPlain(BatchContext& context, BatchTemporary& file, uint64_t size,
                          const BodyChannel::Progress& progress) {
  if (size > kMaxBody) return {kResultLocalStoreFailed, kTextFileTooLarge};
  if (file.file().Seek(0) != 0) return {kResultTempFileReadFailed, kTextErrorReadingTempFile};
  FileLayer& files = context.files;
  return context.channel.Send(
      context.connection, static_cast<uint32_t>(size),
      [&file, &files](uint8_t* into, size_t count) -> TransferOutcome {
        try {
          while (count > 0) {
            const size_t read = files.Read(file.file(), file.path(), into, count);
            if (read == 0) break;
            into += read;
            count -= read;
          }
        } catch (const CQORException&) {
          count = 1;
        }
        if (count != 0) return {kResultTempFileReadFailed, kTextErrorReadingTempFile};
        return {};
      },
      progress);
}

TransferOutcome SendCompressed(BatchContext& context, BatchTemporary& file, uint64_t size) {
  std::optional<BatchTemporary> archive;
  try {
    archive.emplace(context.files, context.job.temp_directory, "sendzip", TemporaryKind::kBody);
  } catch (const CQORException& failure) {
    return {failure.code(), kTextLocalTempFileFailed};
  }
  TransferOutcome outcome = PackFile(context.files, file, *archive, "body", CancelPoll(context));
  if (!outcome.ok()) return outcome;
  ReportScaled(context, size, 0, 5, 1, 1);
  uint64_t archive_size = 0;
  if (archive->file().Size(&archive_size) != 0) {
    return {kResultTempFileReadFailed, kTextErrorReadingTempFile};
  }
  return SendPlain(context, *archive, archive_size, [&context, size, archive_size](uint64_t sent) {
    ReportScaled(context, size, 6, 100, sent, archive_size);
  });
}

TransferOutcome ReceivePlain(BatchContext& context, BatchTemporary& file, uint32_t max_size,
                             const BodyChannel::Progress& progress, uint64_t* size) {
  FileLayer& files = context.files;
  uint32_t announced = 0;
  TransferOutcome outcome = context.channel.ReceiveUpTo(
      context.connection, max_size,
      [&file, &files](const uint8_t* from, size_t count) -> TransferOutcome {
        try {
          files.Write(file.file(), file.path(), from, count);
        } catch (const CQORException& failure) {
          return FileFailure(failure.code(), failure.message());
        }
        return {};
      },
      progress, &announced);
  *size = outcome.ok() ? announced : 0;
  return outcome;
}

TransferOutcome ReceiveCompressed(BatchContext& context, BatchTemporary& file, uint32_t max_size,
                                  uint64_t* size) {
  *size = 0;
  std::optional<BatchTemporary> archive;
  try {
    archive.emplace(context.files, context.job.temp_directory, "ziprecv", TemporaryKind::kBody);
  } catch (const CQORException& failure) {
    return {failure.code(), kTextLocalTempFileFailed};
  }
  uint64_t archive_size = 0;
  TransferOutcome outcome = ReceivePlain(
      context, *archive, static_cast<uint32_t>(kMaxBody),
      [&context, max_size](uint64_t received) {
        // The archive is smaller than what it unpacks to (but for a few
        // bytes): its bytes count against the unpacked size, up to 95
        // percent.
        ReportScaled(context, max_size, 0, 95, std::min<uint64_t>(received, max_size), max_size);
      },
      &archive_size);
  if (!outcome.ok()) return outcome;
  ReportScaled(context, max_size, 0, 95, 1, 1);
  outcome = UnpackFile(context.files, *archive, file, max_size, CancelPoll(context), size);
  if (!outcome.ok()) return outcome;
  ReportScaled(context, max_size, 96, 100, 1, 1);
  return {kResultOk, kTextFileReceived};
}

}  // namespace

TransferOutcome SendFileBody(BatchContext& context, BatchTemporary& file, uint64_t size,
                             BodyForm form) {
  if (form == BodyForm::kCompressed) return SendCompressed(context, file, size);
  return SendPlain(context, file, size, context.progress);
}

TransferOutcome ReceiveFileBody(BatchContext& context, BatchTemporary& file, uint32_t max_size,
                                BodyForm form, uint64_t* size) {
  if (form == BodyForm::kCompressed) return ReceiveCompressed(context, file, max_size, size);
  return ReceivePlain(context, file, max_size, context.progress, size);
}

}  // namespace qorv
