#include "server/transfer_connection.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "net/command_list.h"
#include "net/socket_buffer_exception.h"
#include "net/transport_limits.h"
#include "server/body_transfer.h"
#include "server/delta_exchange.h"
#include "server/message_fields.h"
#include "server/transfer_name.h"

namespace qorv::server {
namespace {

// One upload entry on the wire: index, size, date.
constexpr size_t kUploadEntrySize = 4 * kInt32Size;

struct UploadEntry {
  int32_t index = 0;
  int32_t size = 0;
  OleMs modification_time = 0;
  // Filled while the body arrives.
  std::shared_ptr<SpoolFile> file;
  std::string failure;
};

// Splits the arriving body into one spool file per entry, by the announced
// sizes. A file that cannot be written fails its entry only; the bytes are
// still consumed so the stream stays in step.
class UploadSink {
 public:
  UploadSink(SpoolFolder& spool, std::vector<UploadEntry>& entries)
      : spool_(spool), entries_(entries) {}

  void Write(const uint8_t* bytes, size_t length) {
    OpenNext();
    while (length > 0 && current_ < entries_.size()) {
      UploadEntry& entry = entries_[current_];
      const size_t take = static_cast<size_t>(std::min<int64_t>(left_, length));
      if (entry.failure.empty()) {
        if (const int code = file_.Write(bytes, take); code != 0) {
          entry.failure = MakeStatus(kStatusStoreError, kFormatStoreError,
                                     "cannot write a spool file: " + std::to_string(code))
                              .text;
        }
      }
      bytes += take;
      length -= take;
      left_ -= static_cast<int64_t>(take);
      OpenNext();
    }
  }

  // Closes the last file (and opens those of any empty entries left).
  void Finish() { OpenNext(); }

 private:
  // Moves past finished entries, closing their files and opening the next.
  void OpenNext() {
    while (current_ < entries_.size() && (!started_ || left_ == 0)) {
      if (started_) {
        UploadEntry& done = entries_[current_];
        if (file_.Close() != 0 && done.failure.empty()) {
          done.failure =
              MakeStatus(kStatusStoreError, kFormatStoreError, "cannot close a spool file").text;
        }
        if (!done.failure.empty()) done.file.reset();
        ++current_;
        started_ = false;
        continue;
      }
      UploadEntry& next = entries_[current_];
      std::string error;
      next.file = spool_.NewFile(&file_, &error);
      if (!next.file) {
        next.failure = MakeStatus(kStatusStoreError, kFormatStoreError, error).text;
      }
      left_ = next.size;
      started_ = true;
    }
  }

  SpoolFolder& spool_;
  std::vector<UploadEntry>& entries_;
  size_t current_ = 0;
  bool started_ = false;
  int64_t left_ = 0;
  platform::File file_;
};

// Command 64. False when the connection is to close.
bool ServeUpload(FrameChannel& channel, SessionRegistry& sessions, SpoolFolder& spool) {
  RequestReader request(channel.in());
  std::vector<UploadEntry> entries;
  std::string failure;
  bool delta = false;
  BodyForm form = BodyForm::kPlain;
  std::optional<Session> session;
  try {
    request.Byte();
    const bool compressed = request.Bool();
    delta = request.Bool();
    const int32_t identity = request.Int32();
    const size_t count = request.Count(kUploadEntrySize);
    for (size_t i = 0; i < count; ++i) {
      UploadEntry entry;
      entry.index = request.Int32();
      entry.size = request.Int32();
      entry.modification_time = request.Date();
      if (entry.size < 0) failure = kTextMalformedRequest;
      entries.push_back(std::move(entry));
    }
    form = compressed ? BodyForm::kCompressed : BodyForm::kPlain;
    session = sessions.Find(identity);
    // A connection naming no live session gets nothing from this server,
    // not even a reading of its body: it is closed at once.
    if (!session) return false;
  } catch (const CCancelableSocketBufferException&) {
    failure = kTextMalformedRequest;
  }
  int64_t announced = 0;
  for (const UploadEntry& entry : entries) announced += std::max(entry.size, 0);
  bool whole = true;
  if (delta) {
    // The old version is the file command 80 announced under the index; a
    // malformed request or a batch of more than one file has none.
    std::optional<HeldBodies::CheckinEntry> old;
    if (failure.empty() && entries.size() == 1) {
      old = session->held->FindCheckinEntry(entries[0].index);
    }
    std::shared_ptr<SpoolFile> rebuilt;
    switch (ServeUploadDelta(channel, form, session ? session->database.get() : nullptr, old,
                             entries.size() == 1 ? entries[0].size : -1, &rebuilt)) {
      case DeltaEnd::kClose:
        return false;
      case DeltaEnd::kDone:
        entries[0].file = std::move(rebuilt);
        whole = false;
        break;
      case DeltaEnd::kWholeFollows:
        break;
    }
  }

  if (whole) {
    std::optional<UploadSink> sink;
    if (failure.empty()) sink.emplace(spool, entries);
    BodyPieceWriter write;
    if (sink) write = [&sink](const uint8_t* bytes, size_t length) { sink->Write(bytes, length); };
    // A plain body is read to its end whatever it announces, so that the
    // stream stays in step; an archive may unpack to the announced sizes
    // only.
    const uint64_t max_size = form == BodyForm::kCompressed && failure.empty()
                                  ? static_cast<uint64_t>(announced)
                                  : std::numeric_limits<uint32_t>::max();
    const BodyReceipt receipt = ReceiveBodyInto(channel, form, max_size, write, spool);
    if (!receipt.in_step) return false;
    if (sink) sink->Finish();
    if (failure.empty()) failure = receipt.failure;
    if (failure.empty() && static_cast<int64_t>(receipt.size) != announced) {
      failure = kTextMalformedRequest;
    }
  }

  COutMessage& reply = channel.out();
  reply.Reset();
  for (UploadEntry& entry : entries) {
    std::string text = failure.empty() ? entry.failure : failure;
    if (text.empty() &&
        !session->held->Put(entry.index, {std::move(entry.file), entry.modification_time})) {
      text = kTextUnknownLoginIdentity;  // the session ended meanwhile
    }
    entry.file.reset();  // a body not held is removed here
    reply.AppendBool(text.empty());
    reply.AppendString(text.empty() ? kTextFileReceived : text);
  }
  return channel.Send();
}

struct DownloadEntry {
  TransferName name;
  VersionInfo version;
  std::unique_ptr<BodyReader> reader;
};

// The message after a 65 body: one date per file.
bool SendDates(FrameChannel& channel, Database& db, const std::vector<DownloadEntry>& entries) {
  const OleMs now = db.CurrentTime();
  COutMessage& out = channel.out();
  out.Reset();
  for (const DownloadEntry& entry : entries) {
    const WireDate date = ToWireDate(TransferDate(entry.name, entry.version, now));
    out.AppendInt32(date.days);
    out.AppendInt32(date.ms);
  }
  return channel.Send();
}

// Command 65. False when the connection is to close (always after a
// failure: the client then reports the batch with its transport failure).
bool ServeDownload(FrameChannel& channel, SessionRegistry& sessions, SpoolFolder& spool) {
  RequestReader request(channel.in());
  request.Byte();
  const bool compressed = request.Bool();
  const bool delta = request.Bool();
  const int32_t identity = request.Int32();
  const size_t count = request.Count(kInt32Size + kStringMinSize);
  std::vector<std::string> names;
  for (size_t i = 0; i < count; ++i) {
    request.Int32();  // entry index: the order of the request is the order of the body
    names.push_back(request.String());
  }
  const std::optional<Session> session = sessions.Find(identity);
  if (!session || (delta && names.size() != 1)) return false;
  Database& db = *session->database;
  std::vector<DownloadEntry> entries;
  int64_t total = 0;
  // Small bodies are read as they are opened, up to this many bytes a
  // batch, whatever the request asks for; the rest piece by piece as sent.
  constexpr int64_t kPreloadBudget = 4 * 1024 * 1024;
  int64_t preloaded = 0;
  for (const std::string& text : names) {
    DownloadEntry entry;
    const std::optional<TransferName> name = ParseTransferName(text);
    if (!name) return false;
    entry.name = *name;
    const bool preload = preloaded < kPreloadBudget;
    if (!db.OpenBody(name->version_record, name->eol, &entry.reader, &entry.version, preload)
             .ok()) {
      return false;
    }
    if (preload) preloaded += entry.reader->delivered_size();
    total += entry.reader->delivered_size();
    entries.push_back(std::move(entry));
  }
  if (total > std::numeric_limits<uint32_t>::max()) return false;
  if (delta) {
    const TransferName& name = entries[0].name;
    switch (ServeDownloadDelta(
        channel, compressed ? BodyForm::kCompressed : BodyForm::kPlain,
        [&db, &name](std::unique_ptr<BodyReader>* reader) {
          VersionInfo version;
          return db.OpenBody(name.version_record, name.eol, reader, &version).ok();
        })) {
      case DeltaEnd::kClose:
        return false;
      case DeltaEnd::kDone:
        return SendDates(channel, db, entries);
      case DeltaEnd::kWholeFollows:
        // The reader opened above may have been preloaded; open it afresh.
        if (!db.OpenBody(entries[0].name.version_record, entries[0].name.eol, &entries[0].reader,
                         &entries[0].version)
                 .ok()) {
          return false;
        }
        break;
    }
  }

  // The bodies back to back, as one body.
  size_t current = 0;
  const BodyPieceReader read = [&entries, &current](char* buffer, size_t length, size_t* got) {
    *got = 0;
    while (current < entries.size()) {
      if (!entries[current].reader->Read(buffer, length, got).ok()) return false;
      if (*got > 0) return true;
      ++current;
    }
    return true;
  };
  if (!SendBodyFrom(channel, compressed ? BodyForm::kCompressed : BodyForm::kPlain,
                    static_cast<uint64_t>(total), read, spool)) {
    return false;
  }
  return SendDates(channel, db, entries);
}

// Command 96: the identity's session must have logged in with the key the
// request carries (second half first on the wire). False: close.
bool ServeRekey(FrameChannel& channel, SessionRegistry& sessions) {
  if (!channel.blowfish()) return false;
  RequestReader request(channel.in());
  request.Byte();
  request.Int32();  // random
  const int32_t identity = request.Int32();
  ChannelKey key{};
  request.Bytes(key.data() + 8, 8);
  request.Bytes(key.data(), 8);
  request.Int32();  // random
  const std::optional<Session> session = sessions.Find(identity);
  if (!session || session->channel_key != key) return false;
  channel.SetKey(key);
  return true;
}

bool ServeOne(FrameChannel& channel, bool* keyed) {
  CInMessage& in = channel.in();
  if (in.size() == 0) return false;
  SessionRegistry& sessions = channel.services().sessions;
  switch (static_cast<CommandCode>(in.data()[0])) {
    case CommandCode::kTransferConnectionKey:
      *keyed = ServeRekey(channel, sessions);
      return *keyed;
    case CommandCode::kUploadBatch:
      return *keyed && ServeUpload(channel, sessions, channel.services().spool);
    case CommandCode::kDownloadBatch:
      return *keyed && ServeDownload(channel, sessions, channel.services().spool);
    default:
      return false;
  }
}

}  // namespace

void ServeTransferConnection(FrameChannel& channel) {
  // A Blowfish transfer connection serves 64 and 65 only after a valid 96.
  bool keyed = !channel.blowfish();
  do {
    try {
      if (!ServeOne(channel, &keyed)) return;
    } catch (const CCancelableSocketBufferException&) {
      return;  // a malformed 65 or 96: nothing can be answered in step
    }
  } while (channel.Receive());
}

}  // namespace qorv::server
