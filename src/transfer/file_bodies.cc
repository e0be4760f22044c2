#include "transfer/file_bodies.h"

#include "transfer/file_body.h"
#include "transfer/transfer_exchange.h"

namespace qorv {
namespace {

TransferOutcome Rewind(BatchTemporary& file) {
  if (file.file().Seek(0) != 0) return {kResultTempFileReadFailed, kTextErrorReadingTempFile};
  return {};
}

BodyForm FormOf(const BatchContext& context) {
  return context.job.settings.compressed == 1 ? BodyForm::kCompressed : BodyForm::kPlain;
}

// The batch's context without its per-byte progress.
BatchContext WithoutProgress(const BatchContext& context) {
  BatchContext quiet = context;
  quiet.progress = nullptr;
  return quiet;
}

}  // namespace

TransferOutcome SendFileAsBody(BatchContext& context, BatchTemporary& file) {
  uint64_t size = 0;
  if (file.file().Size(&size) != 0) return {kResultTempFileReadFailed, kTextErrorReadingTempFile};
  BatchContext quiet = WithoutProgress(context);
  return SendFileBody(quiet, file, size, FormOf(context));
}

TransferOutcome ReceiveBodyIntoFile(BatchContext& context, BatchTemporary& file, uint32_t max_size,
                                    uint32_t* size) {
  *size = 0;
  if (file.file().Truncate(0) != 0) return {kFileErrorGeneric, kTextLocalTempFileFailed};
  TransferOutcome outcome = Rewind(file);
  if (!outcome.ok()) return outcome;
  BatchContext quiet = WithoutProgress(context);
  uint64_t received = 0;
  outcome = ReceiveFileBody(quiet, file, max_size, FormOf(context), &received);
  if (!outcome.ok()) return outcome;
  *size = static_cast<uint32_t>(received);
  return Rewind(file);
}

}  // namespace qorv
