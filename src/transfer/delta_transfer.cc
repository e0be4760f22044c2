#include "transfer/delta_transfer.h"

#include <limits>
#include <memory>

#include "codec/delta_digest.h"
#include "codec/delta_rebuild.h"
#include "codec/delta_scan.h"
#include "local/qor_exception.h"
#include "transfer/file_bodies.h"
#include "transfer/transfer_exchange.h"

namespace qorv {
namespace {

constexpr uint32_t kMaxFileBody = static_cast<uint32_t>(std::numeric_limits<int32_t>::max());

TransferOutcome FromDelta(const DeltaStatus& status) { return {status.code, status.text}; }

DeltaStatus FromFailure(const CQORException& failure) {
  return {failure.code() == 0 ? kFileErrorGeneric : failure.code(), failure.message()};
}

// A file opened through the file layer as the codec's reader.
DeltaRead ReaderOf(FileLayer& files, platform::OpenFile& file, const std::string& path) {
  return [&files, &file, &path](uint8_t* into, size_t count, size_t* got) -> DeltaStatus {
    try {
      *got = files.Read(file, path, into, count);
    } catch (const CQORException& failure) {
      return FromFailure(failure);
    }
    return {};
  };
}

DeltaReadAt RandomReaderOf(FileLayer& files, platform::OpenFile& file, const std::string& path) {
  return [&files, &file, &path](uint64_t offset, uint8_t* into, size_t count,
                                size_t* got) -> DeltaStatus {
    if (file.Seek(offset) != 0) return {kFileErrorBadSeek, path};
    try {
      *got = files.Read(file, path, into, count);
    } catch (const CQORException& failure) {
      return FromFailure(failure);
    }
    return {};
  };
}

DeltaWrite WriterOf(FileLayer& files, BatchTemporary& file) {
  return [&files, &file](const uint8_t* from, size_t count) -> DeltaStatus {
    try {
      files.Write(file.file(), file.path(), from, count);
    } catch (const CQORException& failure) {
      return FromFailure(failure);
    }
    return {};
  };
}

TransferOutcome SendBools(ServerConnection& connection, std::initializer_list<bool> values) {
  COutMessage& out = connection.out_message();
  out.Reset();
  for (bool value : values) {
    if (out.AppendBool(value) != kResultOk) return {kResultOutOfMemory, kTextOutOfMemoryShort};
  }
  const int32_t code = out.Send(connection.socket());
  if (code != kResultOk) return {code, connection.StatusText(code)};
  return {};
}

// A boolean travels as a 32-bit integer.
constexpr size_t kBoolSize = 4;

// Receives one message and reads `count` booleans off it.
TransferOutcome ReceiveBools(ServerConnection& connection, size_t count, bool* values) {
  TransferOutcome outcome = ReceiveTransferMessage(connection);
  if (!outcome.ok()) return outcome;
  CInMessage& in = connection.in_message();
  if (in.remaining() / kBoolSize < count) return {kResultLocalStoreFailed, kTextBatchMismatch};
  for (size_t i = 0; i < count; ++i) values[i] = in.ReadBool();
  return {};
}

// Progress of one file: `percent` of the entry's bytes.
void Report(BatchContext& context, const TransferEntry& entry, uint64_t percent) {
  if (context.progress) context.progress(entry.size * percent / 100);
}

bool LocalFileExists(FileLayer& files, const std::string& path) {
  const int32_t attributes = files.GetAttributes(path);
  return attributes != platform::kInvalidAttributes &&
         (attributes & platform::kAttributeDirectory) == 0;
}

// The digest of the working file, sent as a body.
TransferOutcome SendDigestOf(BatchContext& context, const TransferEntry& entry,
                             platform::OpenFile& old, uint64_t old_size) {
  FileLayer& files = context.files;
  BatchTemporary digest(files, context.job.temp_directory, "digest", TemporaryKind::kBody);
  DeltaStatus status =
      WriteDigest(old_size, 0, entry.local_file_name, ReaderOf(files, old, entry.local_file_name),
                  WriterOf(files, digest));
  if (!status.ok()) return FromDelta(status);
  Report(context, entry, 30);
  return SendFileAsBody(context, digest);
}

// One attempt of a delta download after {true}: *matched tells whether the
// rebuilt file is the new one.
TransferOutcome ReceiveOneDelta(BatchContext& context, TransferEntry& entry,
                                std::optional<FileLayer::Replacement>* rebuilt, bool* matched) {
  FileLayer& files = context.files;
  *matched = false;
  std::unique_ptr<platform::OpenFile> old;
  uint64_t old_size = 0;
  try {
    old = files.Open(entry.local_file_name, platform::FileAccess::kRead,
                     platform::FileCreation::kOpenExisting, platform::FileSharing::kShared);
  } catch (const CQORException& failure) {
    return FileFailure(failure.code(), failure.message());
  }
  if (old->Size(&old_size) != 0) return {kFileErrorGeneric, kTextErrorReceivingFile};
  Report(context, entry, 1);
  TransferOutcome outcome = SendDigestOf(context, entry, *old, old_size);
  if (!outcome.ok()) return outcome;

  BatchTemporary delta(files, context.job.temp_directory, "deltainfo", TemporaryKind::kBody);
  uint32_t delta_size = 0;
  outcome = ReceiveBodyIntoFile(context, delta, kMaxFileBody, &delta_size);
  if (!outcome.ok()) return outcome;
  Report(context, entry, 97);
  // The new file is written beside its target, as a plain body is.
  try {
    rebuilt->emplace(files.BeginReplacement(entry.local_file_name));
  } catch (const CQORException& failure) {
    return FileFailure(failure.code(), failure.message());
  }
  FileLayer::Replacement& replacement = **rebuilt;
  RebuildResult result;
  const DeltaStatus status = Reconstruct(
      ReaderOf(files, delta.file(), delta.path()), delta_size,
      RandomReaderOf(files, *old, entry.local_file_name), old_size, entry.size,
      [&replacement](const uint8_t* from, size_t count) -> DeltaStatus {
        try {
          replacement.Write(from, count);
        } catch (const CQORException& failure) {
          return FromFailure(failure);
        }
        return {};
      },
      &result);
  if (status.code == kDeltaBadDeltaFile) {
    // A delta that does not describe a file: an attempt that failed.
    rebuilt->reset();
    return {};
  }
  if (!status.ok()) {
    rebuilt->reset();
    return FromDelta(status);
  }
  *matched = result.md4_matches && result.size == entry.size;
  if (!*matched) rebuilt->reset();
  return {};
}

}  // namespace

TransferOutcome ReceiveDelta(BatchContext& context, TransferEntry& entry,
                             std::optional<FileLayer::Replacement>* rebuilt, bool* whole_follows) {
  *whole_follows = false;
  for (int attempt = 1;; ++attempt) {
    if (!LocalFileExists(context.files, entry.local_file_name)) {
      *whole_follows = true;
      return SendBools(context.connection, {false});
    }
    TransferOutcome outcome = SendBools(context.connection, {true});
    bool matched = false;
    if (outcome.ok()) {
      try {
        outcome = ReceiveOneDelta(context, entry, rebuilt, &matched);
      } catch (const CQORException& failure) {
        // A temporary that could not be made.
        outcome = FileFailure(failure.code(), failure.message());
      }
    }
    if (!outcome.ok()) {
      rebuilt->reset();
      return outcome;
    }
    if (matched) {
      try {
        (*rebuilt)->CloseFile();
      } catch (const CQORException& failure) {
        rebuilt->reset();
        return FileFailure(failure.code(), failure.message());
      }
      outcome = SendBools(context.connection, {true, true});
      if (!outcome.ok()) {
        rebuilt->reset();
        return outcome;
      }
      Report(context, entry, 100);
      return {kResultOk, kTextFileReceived};
    }
    const bool retry = attempt < kDeltaAttempts;
    outcome = SendBools(context.connection, {false, retry});
    if (!outcome.ok() || !retry) {
      *whole_follows = outcome.ok();
      return outcome;
    }
  }
}

namespace {

// One attempt of a delta upload after the server's {true}.
TransferOutcome SendOneDelta(BatchContext& context, BatchTemporary& new_file,
                             const TransferEntry& entry) {
  FileLayer& files = context.files;
  BlockTable table;
  {
    BatchTemporary digest(files, context.job.temp_directory, "digestsend", TemporaryKind::kBody);
    uint32_t digest_size = 0;
    TransferOutcome outcome = ReceiveBodyIntoFile(context, digest, kMaxFileBody, &digest_size);
    if (!outcome.ok()) {
      if (outcome.text.empty()) outcome.text = kTextDigestNotReceived;
      return outcome;
    }
    Report(context, entry, 51);
    const DeltaStatus status =
        BlockTable::Load(ReaderOf(files, digest.file(), digest.path()), digest_size, &table);
    if (status.code == kDeltaOutOfMemory) return {kResultOutOfMemory, kTextOutOfMemoryShort};
    if (status.code == kDeltaBadDigestFile || (!status.ok() && status.code != kDeltaFileTooHuge)) {
      return {kResultTempFileReadFailed, kTextErrorReadingTempFile};
    }
    if (!status.ok()) return FromDelta(status);
  }
  Report(context, entry, 54);
  BatchTemporary delta(files, context.job.temp_directory, "deltainfosend", TemporaryKind::kBody);
  if (new_file.file().Seek(0) != 0) return {kResultTempFileReadFailed, kTextErrorReadingTempFile};
  const DeltaStatus status =
      WriteDelta(table, ReaderOf(files, new_file.file(), new_file.path()), WriterOf(files, delta));
  if (!status.ok()) return FromDelta(status);
  return SendFileAsBody(context, delta);
}

}  // namespace

TransferOutcome SendDelta(BatchContext& context, BatchTemporary& new_file,
                          const TransferEntry& entry, bool* whole_follows) {
  *whole_follows = false;
  for (int attempt = 1;; ++attempt) {
    bool held = false;
    TransferOutcome outcome = ReceiveBools(context.connection, 1, &held);
    if (!outcome.ok()) return outcome;
    if (!held) {
      *whole_follows = true;
      return {};
    }
    try {
      outcome = SendOneDelta(context, new_file, entry);
    } catch (const CQORException& failure) {
      outcome = {failure.code(), kTextLocalTempFileFailed};
    }
    if (!outcome.ok()) return outcome;
    bool done = false;
    outcome = ReceiveBools(context.connection, 1, &done);
    if (!outcome.ok()) return outcome;
    if (done) {
      Report(context, entry, 100);
      return {kResultOk, "File " + entry.local_file_name + " sent successfully"};
    }
    CInMessage& in = context.connection.in_message();
    if (in.remaining() < kBoolSize) return {kResultLocalStoreFailed, kTextBatchMismatch};
    const bool retry = in.ReadBool();
    // The server may ask for at most the attempts the exchange has.
    if (retry && attempt >= kDeltaAttempts) return {kResultLocalStoreFailed, kTextBatchMismatch};
    if (!retry) {
      if (new_file.file().Seek(0) != 0) {
        return {kResultTempFileReadFailed, kTextErrorReadingTempFile};
      }
      *whole_follows = true;
      return {};
    }
  }
}

}  // namespace qorv
