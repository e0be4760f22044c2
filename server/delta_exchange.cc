#include "server/delta_exchange.h"

#include <limits>
#include <string>

#include "codec/delta_digest.h"
#include "codec/delta_rebuild.h"
#include "codec/delta_scan.h"
#include "server/body_files.h"
#include "server/message_fields.h"

namespace qorv::server {
namespace {

constexpr uint64_t kMaxFileBody = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());

bool SendBools(FrameChannel& channel, std::initializer_list<bool> values) {
  channel.out().Reset();
  for (bool value : values) channel.out().AppendBool(value);
  return channel.Send(false);
}

// Receives one message of `count` booleans. False: out of step.
bool ReceiveBools(FrameChannel& channel, size_t count, bool* values) {
  if (!channel.Receive()) return false;
  CInMessage& in = channel.in();
  if (in.remaining() / kInt32Size < count) return false;  // a boolean is an int32
  for (size_t i = 0; i < count; ++i) values[i] = in.ReadBool();
  return true;
}

DeltaRead ReaderOf(BodyReader& reader) {
  return [&reader](uint8_t* into, size_t count, size_t* got) -> DeltaStatus {
    const StoreStatus status = reader.Read(reinterpret_cast<char*>(into), count, got);
    return status.ok() ? DeltaStatus{} : DeltaStatus{1, status.text};
  };
}

// Flips the last byte of `file` (the corrupt-delta fault hook).
bool FlipLastByte(ScratchFile& file) {
  const int64_t size = file.Size();
  if (size <= 0) return true;
  uint8_t byte = 0;
  size_t got = 0;
  if (file.file.Seek(static_cast<uint64_t>(size - 1)) != 0 || file.file.Read(&byte, 1, &got) != 0 ||
      got != 1) {
    return false;
  }
  byte ^= 0xFF;
  return file.file.Seek(static_cast<uint64_t>(size - 1)) == 0 && file.file.Write(&byte, 1) == 0;
}

// One attempt of a download delta after the client's {true}: its digest
// in, the delta of the new version out. False: out of step.
bool SendOneDelta(FrameChannel& channel, BodyForm form, const OpenBody& open_body, bool corrupt) {
  SpoolFolder& spool = channel.services().spool;
  std::string error;
  ScratchFile digest;
  ScratchFile delta;
  if (!digest.Create(spool, &error) || !delta.Create(spool, &error)) return false;
  uint64_t digest_size = 0;
  if (!ReceiveBodyIntoFile(channel, digest, kMaxFileBody, form, &digest_size)) return false;
  BlockTable table;
  // A digest that cannot be read is answered with a delta that carries no
  // block: an empty table describes no old file, so the new file goes as
  // literals and the client's MD4 check still decides.
  if (!BlockTable::Load(digest.Reader(), digest_size, &table).ok())
    table = BlockTable::Empty(ChooseBlockSize(0));
  digest = ScratchFile();
  std::unique_ptr<BodyReader> reader;
  if (!open_body(&reader)) return false;
  if (!WriteDelta(table, ReaderOf(*reader), delta.Writer()).ok()) return false;
  if (corrupt && !FlipLastByte(delta)) return false;
  return SendFileAsBody(channel, delta, form);
}

}  // namespace

DeltaEnd ServeDownloadDelta(FrameChannel& channel, BodyForm form, const OpenBody& open_body) {
  FaultHookSource& faults = channel.services().faults;
  const int32_t corrupt = channel.hooks().corrupt_delta_attempts;
  for (int attempt = 1;; ++attempt) {
    bool local_copy = false;
    if (!ReceiveBools(channel, 1, &local_copy)) return DeltaEnd::kClose;
    if (!local_copy) {
      faults.CountDelta(0, 0, 1);
      return DeltaEnd::kWholeFollows;
    }
    faults.CountDelta(1, 0, 0);
    if (!SendOneDelta(channel, form, open_body, attempt <= corrupt)) return DeltaEnd::kClose;
    bool answer[2] = {false, false};
    if (!ReceiveBools(channel, 2, answer)) return DeltaEnd::kClose;
    if (answer[0]) {
      faults.CountDelta(0, 1, 0);
      return DeltaEnd::kDone;
    }
    if (!answer[1]) {
      faults.CountDelta(0, 0, 1);
      return DeltaEnd::kWholeFollows;
    }
    if (attempt >= kDeltaAttempts) return DeltaEnd::kClose;  // more attempts than the exchange has
  }
}

namespace {

// The old version of an upload, copied out of the store once so that the
// rebuild can read it at any offset.
bool CopyOldVersion(Database& database, const HeldBodies::CheckinEntry& old, ScratchFile* copy,
                    SpoolFolder& spool) {
  VersionInfo info;
  if (!database.LatestVersion(old.path, &info).ok() || !info.content_kept) return false;
  std::unique_ptr<BodyReader> reader;
  if (!database.OpenBody(info.record_id, old.eol, &reader, &info).ok()) return false;
  std::string error;
  if (!copy->Create(spool, &error)) return false;
  std::vector<char> buffer(kDeltaBufferSize);
  for (;;) {
    size_t got = 0;
    if (!reader->Read(buffer.data(), buffer.size(), &got).ok()) return false;
    if (got == 0) break;
    if (copy->file.Write(buffer.data(), got) != 0) return false;
  }
  return copy->file.Seek(0) == 0;
}

enum class Attempt { kRebuilt, kFailed, kClose };

// One attempt of an upload delta after the server's {true}: the digest of
// the old version out, the client's delta in, the new file rebuilt.
Attempt RebuildOne(FrameChannel& channel, BodyForm form, ScratchFile& old, ScratchFile& digest,
                   int64_t announced_size, bool corrupt, std::shared_ptr<SpoolFile>* rebuilt) {
  SpoolFolder& spool = channel.services().spool;
  if (!SendFileAsBody(channel, digest, form)) return Attempt::kClose;
  std::string error;
  ScratchFile delta;
  if (!delta.Create(spool, &error)) return Attempt::kClose;
  uint64_t delta_size = 0;
  if (!ReceiveBodyIntoFile(channel, delta, kMaxFileBody, form, &delta_size)) return Attempt::kClose;
  if (corrupt) {
    // A byte of the old version changes after its digest left.
    uint8_t byte = 0;
    size_t got = 0;
    if (old.file.Seek(0) == 0 && old.file.Read(&byte, 1, &got) == 0 && got == 1) {
      byte ^= 0xFF;
      if (old.file.Seek(0) != 0 || old.file.Write(&byte, 1) != 0) return Attempt::kClose;
    }
  }
  ScratchFile output;
  if (!output.Create(spool, &error)) return Attempt::kClose;
  RebuildResult result;
  const DeltaStatus status =
      Reconstruct(delta.Reader(), delta_size, old.RandomReader(), static_cast<uint64_t>(old.Size()),
                  static_cast<uint64_t>(announced_size), output.Writer(), &result);
  if (!status.ok() && status.code != kDeltaBadDeltaFile) return Attempt::kClose;
  if (!status.ok() || !result.md4_matches || result.size != static_cast<uint64_t>(announced_size) ||
      output.file.Close() != 0) {
    return Attempt::kFailed;
  }
  *rebuilt = output.holder;
  return Attempt::kRebuilt;
}

bool WriteDigestOf(ScratchFile& old, const std::string& path, ScratchFile* digest,
                   SpoolFolder& spool) {
  std::string error;
  if (!digest->Create(spool, &error)) return false;
  const int64_t size = old.Size();
  if (size < 0 || old.file.Seek(0) != 0) return false;
  return WriteDigest(static_cast<uint64_t>(size), 0, path, old.Reader(), digest->Writer()).ok();
}

}  // namespace

DeltaEnd ServeUploadDelta(FrameChannel& channel, BodyForm form, Database* database,
                          const std::optional<HeldBodies::CheckinEntry>& old,
                          int64_t announced_size, std::shared_ptr<SpoolFile>* rebuilt) {
  FaultHookSource& faults = channel.services().faults;
  SpoolFolder& spool = channel.services().spool;
  const int32_t corrupt = channel.hooks().corrupt_delta_attempts;
  for (int attempt = 1;; ++attempt) {
    // The old version and its digest, afresh for every attempt; when they
    // cannot be had the server holds no old version.
    ScratchFile copy;
    ScratchFile digest;
    const bool held = database != nullptr && old && announced_size >= 0 &&
                      CopyOldVersion(*database, *old, &copy, spool) &&
                      WriteDigestOf(copy, old->path, &digest, spool);
    if (!SendBools(channel, {held})) return DeltaEnd::kClose;
    if (!held) {
      faults.CountDelta(0, 0, 1);
      return DeltaEnd::kWholeFollows;
    }
    faults.CountDelta(1, 0, 0);
    switch (RebuildOne(channel, form, copy, digest, announced_size, attempt <= corrupt, rebuilt)) {
      case Attempt::kClose:
        return DeltaEnd::kClose;
      case Attempt::kRebuilt:
        faults.CountDelta(0, 1, 0);
        return SendBools(channel, {true}) ? DeltaEnd::kDone : DeltaEnd::kClose;
      case Attempt::kFailed:
        break;
    }
    const bool retry = attempt < kDeltaAttempts;
    if (!SendBools(channel, {false, retry})) return DeltaEnd::kClose;
    if (!retry) {
      faults.CountDelta(0, 0, 1);
      return DeltaEnd::kWholeFollows;
    }
  }
}

}  // namespace qorv::server
