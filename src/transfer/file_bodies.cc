#include "transfer/file_bodies.h"

#include <limits>

#include "local/qor_exception.h"
#include "transfer/transfer_exchange.h"

namespace qorv {
namespace {

TransferOutcome Rewind(BatchTemporary& file) {
  if (file.file().Seek(0) != 0) return {kResultTempFileReadFailed, kTextErrorReadingTempFile};
  return {};
}

}  // namespace

TransferOutcome SendFileAsBody(BatchContext& context, BatchTemporary& file,
                               const BodyChannel::Progress& progress) {
  uint64_t size = 0;
  if (file.file().Size(&size) != 0 || size > std::numeric_limits<int32_t>::max()) {
    return {kResultTempFileReadFailed, kTextErrorReadingTempFile};
  }
  TransferOutcome outcome = Rewind(file);
  if (!outcome.ok()) return outcome;
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

TransferOutcome ReceiveBodyIntoFile(BatchContext& context, BatchTemporary& file, uint32_t max_size,
                                    const BodyChannel::Progress& progress, uint32_t* size) {
  if (file.file().Truncate(0) != 0) return {kFileErrorGeneric, kTextLocalTempFileFailed};
  TransferOutcome outcome = Rewind(file);
  if (!outcome.ok()) return outcome;
  FileLayer& files = context.files;
  outcome = context.channel.ReceiveUpTo(
      context.connection, max_size,
      [&file, &files](const uint8_t* from, size_t count) -> TransferOutcome {
        try {
          files.Write(file.file(), file.path(), from, count);
        } catch (const CQORException& failure) {
          return FileFailure(failure.code(), failure.message());
        }
        return {};
      },
      progress, size);
  if (!outcome.ok()) return outcome;
  return Rewind(file);
}

}  // namespace qorv
