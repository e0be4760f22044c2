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

bool SendFileAsBody(FrameChannel& channel, ScratchFile& file, BodyForm form) {
  const int64_t size = file.Size();
  if (size < 0 || size > INT32_MAX || file.file.Seek(0) != 0) return false;
  const BodyPieceReader read = [&file](char* buffer, size_t length, size_t* got) {
    return file.file.Read(buffer, length, got) == 0;
  };
  return SendBodyFrom(channel, form, static_cast<uint64_t>(size), read, channel.services().spool);
}

bool ReceiveBodyIntoFile(FrameChannel& channel, ScratchFile& file, uint64_t max_size, BodyForm form,
                         uint64_t* size) {
  bool written = true;
  const BodyPieceWriter write = [&file, &written](const uint8_t* bytes, size_t length) {
    if (written && file.file.Write(bytes, length) != 0) written = false;
  };
  const BodyReceipt receipt =
      ReceiveBodyInto(channel, form, max_size, write, channel.services().spool);
  if (!receipt.in_step || !receipt.failure.empty() || !written) return false;
  *size = receipt.size;
  return file.file.Seek(0) == 0;
}

}  // namespace qorv::server
