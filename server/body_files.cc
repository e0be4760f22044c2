#include "server/body_files.h"

#include <algorithm>
#include <vector>

#include "net/transport_limits.h"
#include "platform/os_error.h"

namespace qorv::server {
namespace {

DeltaStatus OsFailure(int code) { return {1, platform::OsErrorText(code)}; }

}  // namespace

bool ScratchFile::Create(SpoolFolder& spool, std::string* error) {
  holder = spool.NewFile(&file, error);
  return holder != nullptr;
}

int64_t ScratchFile::Size() {
  uint64_t size = 0;
  if (file.Size(&size) != 0) return -1;
  return static_cast<int64_t>(size);
}

DeltaRead ScratchFile::Reader() {
  return [this](uint8_t* into, size_t count, size_t* got) -> DeltaStatus {
    const int code = file.Read(into, count, got);
    return code == 0 ? DeltaStatus{} : OsFailure(code);
  };
}

DeltaReadAt ScratchFile::RandomReader() {
  return [this](uint64_t offset, uint8_t* into, size_t count, size_t* got) -> DeltaStatus {
    int code = file.Seek(offset);
    if (code == 0) code = file.Read(into, count, got);
    return code == 0 ? DeltaStatus{} : OsFailure(code);
  };
}

DeltaWrite ScratchFile::Writer() {
  return [this](const uint8_t* from, size_t count) -> DeltaStatus {
    const int code = file.Write(from, count);
    return code == 0 ? DeltaStatus{} : OsFailure(code);
  };
}

bool SendFileAsBody(FrameChannel& channel, ScratchFile& file) {
  const int64_t size = file.Size();
  if (size < 0 || size > INT32_MAX || file.file.Seek(0) != 0) return false;
  std::vector<char> buffer(kBodyMessageSize);
  COutMessage& out = channel.out();
  uint64_t left = static_cast<uint64_t>(size);
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
      if (file.file.Read(buffer.data() + filled, room - filled, &got) != 0 || got == 0) {
        return false;
      }
      filled += got;
    }
    if (out.AppendBytes(buffer.data(), filled) != 0) return false;
    left -= filled;
    if (!channel.Send(false)) return false;
  }
  return true;
}

bool ReceiveBodyIntoFile(FrameChannel& channel, ScratchFile& file, uint64_t max_size,
                         uint64_t* size) {
  if (!channel.Receive()) return false;
  CInMessage& in = channel.in();
  if (in.remaining() < 4) return false;
  const uint32_t total = static_cast<uint32_t>(in.ReadInt32());
  if (total > max_size) return false;
  uint64_t left = total;
  while (true) {
    // In channel mode 1 a message carries zero padding after its bytes.
    const size_t take = static_cast<size_t>(std::min<uint64_t>(left, in.remaining()));
    if (take > 0 && file.file.Write(in.data() + in.position(), take) != 0) return false;
    left -= take;
    if (left == 0) break;
    if (!channel.Receive()) return false;
  }
  *size = total;
  return file.file.Seek(0) == 0;
}

}  // namespace qorv::server
