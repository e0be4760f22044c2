#include "server/body_transfer.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>
#include <vector>

#include "codec/zip_archive.h"
#include "net/transport_limits.h"
#include "server/message_fields.h"
#include "server/ole_time.h"

namespace qorv::server {
namespace {

constexpr uint64_t kMaxBody = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());

// Now, in the server's local time, as MS-DOS date and time.
void StampNow(ZipPackOptions* options) {
  using std::chrono::days;
  constexpr int64_t kMsPerDay = 86400000;
  const OleMs now = LocalNowMs();
  const int64_t day = now / kMsPerDay;
  const int64_t ms = now % kMsPerDay;
  const std::chrono::year_month_day date{
      std::chrono::sys_days{std::chrono::year{1899} / std::chrono::December / 30} + days{day}};
  options->dos_date = zip::DosDate(static_cast<int>(date.year()),
                                   static_cast<int>(static_cast<unsigned>(date.month())),
                                   static_cast<int>(static_cast<unsigned>(date.day())));
  const int seconds = static_cast<int>(ms / 1000);
  options->dos_time = zip::DosTime(seconds / 3600, seconds / 60 % 60, seconds % 60);
}

// The plain form: a first message of int32 S and min(S, 65532) bytes, then
// messages of min(remaining, 65536) bytes.
bool SendPlain(FrameChannel& channel, uint64_t size, const BodyPieceReader& read) {
  if (size > kMaxBody) return false;
  COutMessage& out = channel.out();
  std::vector<char> buffer(kBodyMessageSize);
  uint64_t left = size;
  bool first = true;
  while (first || left > 0) {
    out.Reset();
    size_t room = kBodyMessageSize;
    if (first) {
      out.AppendInt32(static_cast<int32_t>(size));
      room = kFirstBodyMessageBytes;
      first = false;
    }
    room = static_cast<size_t>(std::min<uint64_t>(room, left));
    size_t filled = 0;
    while (filled < room) {
      size_t got = 0;
      if (!read(buffer.data() + filled, room - filled, &got) || got == 0) return false;
      filled += got;
    }
    if (out.AppendBytes(buffer.data(), filled) != 0) return false;
    left -= filled;
    if (!channel.Send(false)) return false;
  }
  return true;
}

// Reads the plain form, handing each message's bytes to `write`; *size is
// the announced S, which may be at most `max_size`.
bool ReceivePlain(FrameChannel& channel, uint64_t max_size, const BodyPieceWriter& write,
                  uint64_t* size) {
  if (!channel.Receive()) return false;
  CInMessage& in = channel.in();
  if (in.remaining() < kInt32Size) return false;
  *size = static_cast<uint32_t>(in.ReadInt32());
  if (*size > max_size) return false;
  uint64_t left = *size;
  while (true) {
    // In channel mode 1 a message carries zero padding after its bytes.
    const size_t take = static_cast<size_t>(std::min<uint64_t>(left, in.remaining()));
    if (write) write(in.data() + in.position(), take);
    left -= take;
    if (left == 0) break;
    if (!channel.Receive()) return false;
  }
  return true;
}

std::string SpoolFailure(const std::string& error) { return "Spool file failure: " + error; }

}  // namespace

bool SendBodyFrom(FrameChannel& channel, BodyForm form, uint64_t size, const BodyPieceReader& read,
                  SpoolFolder& spool) {
  if (form == BodyForm::kPlain) return SendPlain(channel, size, read);
  platform::File file;
  std::string error;
  const std::shared_ptr<SpoolFile> archive = spool.NewFile(&file, &error);
  if (!archive) return false;
  uint64_t appended = 0;
  uint64_t left = size;
  ZipPackIo io;
  io.read = [&](uint8_t* into, size_t capacity, size_t* got) {
    *got = 0;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(capacity, left));
    if (want == 0) return true;
    if (!read(reinterpret_cast<char*>(into), want, got) || *got == 0) return false;
    left -= *got;
    return true;
  };
  io.write = [&](const uint8_t* from, size_t count) {
    if (file.Write(from, count) != 0) return false;
    appended += count;
    return true;
  };
  io.rewrite = [&](uint64_t offset, const uint8_t* from, size_t count) {
    return file.Seek(offset) == 0 && file.Write(from, count) == 0 && file.Seek(appended) == 0;
  };
  io.canceled = [&channel] { return channel.Stopping(); };
  ZipPackOptions options;
  StampNow(&options);
  if (!PackZip(io, options).ok() || file.Seek(0) != 0) return false;
  return SendPlain(channel, appended, [&file](char* buffer, size_t length, size_t* got) {
    return file.Read(buffer, length, got) == 0;
  });
}

BodyReceipt ReceiveBodyInto(FrameChannel& channel, BodyForm form, uint64_t max_size,
                            const BodyPieceWriter& write, SpoolFolder& spool) {
  BodyReceipt receipt;
  if (form == BodyForm::kPlain) {
    receipt.in_step = ReceivePlain(channel, max_size, write, &receipt.size);
    return receipt;
  }
  platform::File file;
  std::string error;
  const std::shared_ptr<SpoolFile> archive = spool.NewFile(&file, &error);
  if (!archive) receipt.failure = SpoolFailure(error);
  uint64_t archive_size = 0;
  receipt.in_step = ReceivePlain(
      channel, kMaxBody,
      [&](const uint8_t* bytes, size_t length) {
        if (!receipt.failure.empty()) return;
        if (const int code = file.Write(bytes, length); code != 0) {
          receipt.failure = SpoolFailure("cannot write " + archive->path());
        }
      },
      &archive_size);
  if (!receipt.in_step || !receipt.failure.empty()) return receipt;

  ZipUnpackIo io;
  io.archive_size = archive_size;
  io.read_at = [&file](uint64_t offset, uint8_t* into, size_t count) {
    if (file.Seek(offset) != 0) return false;
    while (count > 0) {
      size_t got = 0;
      if (file.Read(into, count, &got) != 0 || got == 0) return false;
      into += got;
      count -= got;
    }
    return true;
  };
  io.write = [&](const uint8_t* from, size_t count) {
    if (write) write(from, count);
    receipt.size += count;
    return true;
  };
  io.canceled = [&channel] { return channel.Stopping(); };
  io.max_size = max_size;
  const ZipResult unpacked = UnpackZip(io);
  if (!unpacked.ok()) receipt.failure = unpacked.text;
  return receipt;
}

}  // namespace qorv::server
