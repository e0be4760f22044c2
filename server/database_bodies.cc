// Database: bodies stored and read piece by piece. A body is written as
// pieces of kContentChunkSize bytes (content_chunks) while its digests are
// made, and read back one piece at a time, so no body is ever whole in
// memory. Content rows from before the pieces keep their body in
// contents.data and are read from there in pieces of the same size.
#include "server/database_impl.h"

namespace qorv::server {

namespace {

// "#" + the record's id, for the not-kept message. Built piece by piece:
// GCC 12 at -O3 warns falsely (-Wrestrict) on "literal" + std::to_string.
std::string RecordName(int64_t id) {
  std::string name = "#";
  name += std::to_string(id);
  return name;
}

// Bodies are read from their source in pieces of this size.
constexpr size_t kSourcePiece = 256u * 1024u;

std::string DigestBlob(const Md5Digest& digest) {
  return std::string(reinterpret_cast<const char*>(digest.data()), digest.size());
}

// Reads the next piece of the source into *buffer (empty at the end);
// raises StoreFailure when the source fails.
void ReadSourcePiece(BodySource& source, std::string* buffer) {
  buffer->resize(kSourcePiece);
  size_t got = 0;
  std::string error;
  if (!source.Read(buffer->data(), buffer->size(), &got, &error)) throw StoreFailure(error);
  buffer->resize(got);
}

void Rewind(BodySource& source) {
  std::string error;
  if (!source.Rewind(&error)) throw StoreFailure(error);
}

}  // namespace

bool DatabaseImpl::DetectText(BodySource& source) {
  Rewind(source);
  TextDetector detector;
  std::string piece;
  do {
    ReadSourcePiece(source, &piece);
    detector.Feed(piece);
  } while (!piece.empty() && detector.is_text());
  return detector.is_text();
}

StoredContent DatabaseImpl::StoreContentFrom(BodySource& source, bool is_text) {
  db_->Prepare(
         "INSERT INTO contents(data, lf_count, md5_cr, md5_lf, md5_crlf, chunked) "
         "VALUES(X'', 0, X'', X'', X'', 1)")
      .Run();
  StoredContent stored;
  stored.id = db_->LastInsertId();
  stored.is_text = is_text;
  int64_t seq = 0;
  ContentDigests digests(is_text);
  auto write_chunk = [&](std::string_view bytes) {
    digests.Feed(bytes);
    SqliteStatement row =
        db_->Prepare("INSERT INTO content_chunks(content_id, seq, data) VALUES(?, ?, ?)");
    row.Bind(1, stored.id).Bind(2, seq++).BindBlob(3, bytes).Run();
  };

  Rewind(source);
  TextNormaliser normaliser;
  std::string piece;
  std::string pending;  // stored bytes not yet written as a whole chunk
  do {
    ReadSourcePiece(source, &piece);
    if (piece.empty()) {
      if (is_text) normaliser.Finish(&pending);
    } else if (is_text) {
      normaliser.Feed(piece, &pending);
    } else {
      pending.append(piece);
    }
    size_t written = 0;
    while (pending.size() - written >= kContentChunkSize) {
      write_chunk(std::string_view(pending).substr(written, kContentChunkSize));
      written += kContentChunkSize;
    }
    pending.erase(0, written);
  } while (!piece.empty());
  if (!pending.empty()) write_chunk(pending);

  const ContentDigests::Result result = digests.Finish();
  db_->Prepare(
         "UPDATE contents SET lf_count = ?, md5_cr = ?, md5_lf = ?, md5_crlf = ? WHERE id = ?")
      .Bind(1, result.lf_count)
      .BindBlob(2, DigestBlob(result.delivered_md5[static_cast<int>(Eol::kCr)]))
      .BindBlob(3, DigestBlob(result.delivered_md5[static_cast<int>(Eol::kLf)]))
      .BindBlob(4, DigestBlob(result.delivered_md5[static_cast<int>(Eol::kCrLf)]))
      .Bind(5, stored.id)
      .Run();
  stored.stored_size = result.stored_size;
  return stored;
}

namespace {

// One stored piece of a content, read under the database's lock.
// `checked`: the content row was seen in the same snapshot, so it need not
// be looked for again (a purge since an earlier snapshot must be found).
StoreStatus ReadPieceLocked(DatabaseImpl& impl, const ContentLocation& location, int64_t piece,
                            std::string* bytes, bool checked = false) {
  bytes->clear();
  if (!checked) {
    SqliteStatement exists = impl.db().Prepare("SELECT 1 FROM contents WHERE id = ?");
    exists.Bind(1, location.content_id);
    if (!exists.Step()) {
      return MakeStatus(kStatusVersionNotKept, kFormatVersionNotKept, 0,
                        RecordName(location.content_id));
    }
  }
  if (location.chunked) {
    SqliteStatement chunk =
        impl.db().Prepare("SELECT data FROM content_chunks WHERE content_id = ? AND seq = ?");
    chunk.Bind(1, location.content_id).Bind(2, piece);
    if (chunk.Step()) *bytes = chunk.Blob(0);
    return StoreStatus::Ok();
  }
  const int64_t offset = piece * static_cast<int64_t>(kContentChunkSize);
  if (offset >= location.stored_size) return StoreStatus::Ok();
  const size_t length =
      static_cast<size_t>(std::min<int64_t>(kContentChunkSize, location.stored_size - offset));
  *bytes = impl.db().ReadBlobRange("contents", "data", location.content_id, offset, length);
  return StoreStatus::Ok();
}

}  // namespace

StoreStatus Database::OpenBody(int64_t version_record, Eol eol, std::unique_ptr<BodyReader>* reader,
                               VersionInfo* info, bool preload) {
  return GuardedRead([&](DatabaseImpl& impl) {
    SqliteReadTransaction snapshot(impl.db());
    SqliteStatement query = impl.db().Prepare(
        "SELECT v.version, v.content_id, c.chunked FROM versions v "
        "LEFT JOIN contents c ON c.id = v.content_id WHERE v.id = ?");
    query.Bind(1, version_record);
    const bool found = query.Step();
    std::optional<VersionInfo> version;
    if (found && !query.IsNull(2)) version = impl.LoadVersionRecord(version_record);
    if (!version) {
      const int32_t number = found ? static_cast<int32_t>(query.Int(0)) : 0;
      return MakeStatus(kStatusVersionNotKept, kFormatVersionNotKept, number,
                        RecordName(version_record));
    }
    ContentLocation location;
    location.content_id = query.Int(1);
    location.chunked = query.Int(2) != 0;
    location.stored_size = version->stored_size;
    location.is_text = version->is_text;
    *reader = std::make_unique<BodyReader>(*this, location, eol, version->DeliveredSize(eol));
    // Most bodies are one piece: read it now, in the same snapshot, rather
    // than in a second visit to the store.
    if (preload && location.stored_size > 0 &&
        location.stored_size <= static_cast<int64_t>(kContentChunkSize)) {
      std::string stored;
      StoreStatus status = ReadPieceLocked(impl, location, 0, &stored, true);
      if (!status.ok()) return status;
      (*reader)->Preload(std::move(stored));
    }
    *info = std::move(*version);
    return StoreStatus::Ok();
  });
}

StoreStatus Database::ReadContentPiece(const ContentLocation& location, int64_t piece,
                                       std::string* bytes) {
  return GuardedRead(
      [&](DatabaseImpl& impl) { return ReadPieceLocked(impl, location, piece, bytes); });
}

OleMs Database::CurrentTime() {
  OleMs now = 0;
  Guarded([&] {
    now = impl_->Now();
    return StoreStatus::Ok();
  });
  return now;
}

StoreStatus Database::ReadBody(int64_t version_record, Eol eol, std::string* bytes) {
  bytes->clear();
  std::unique_ptr<BodyReader> reader;
  VersionInfo info;
  StoreStatus status = OpenBody(version_record, eol, &reader, &info);
  if (!status.ok()) return status;
  bytes->resize(static_cast<size_t>(reader->delivered_size()));
  size_t done = 0;
  while (done < bytes->size()) {
    size_t got = 0;
    status = reader->Read(bytes->data() + done, bytes->size() - done, &got);
    if (!status.ok()) return status;
    if (got == 0) break;
    done += got;
  }
  if (done != bytes->size()) {
    return MakeStatus(kStatusStoreError, kFormatStoreError, "a stored body ends early");
  }
  return StoreStatus::Ok();
}

}  // namespace qorv::server
