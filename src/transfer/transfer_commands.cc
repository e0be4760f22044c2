#include "transfer/transfer_commands.h"

#include <new>

#include "net/socket_buffer_exception.h"

namespace qorv {
namespace {

constexpr size_t kKeyHalf = kChannelKeySize / 2;

// True when what is left of the message is nothing, or only the zero bytes
// that pad a Blowfish frame to its block size.
bool OnlyPaddingLeft(const CInMessage& in, bool blowfish) {
  if (in.remaining() == 0) return true;
  if (!blowfish || in.remaining() >= Blowfish::kBlockSize) return false;
  for (size_t i = in.position(); i < in.size(); ++i) {
    if (in.data()[i] != 0) return false;
  }
  return true;
}

template <class ReadEntry, class Entry>
bool ReadWholeList(CInMessage& in, size_t count, bool blowfish, ReadEntry read_entry,
                   std::vector<Entry>* entries) {
  std::vector<Entry> read;
  try {
    // Every entry takes at least 4 bytes, so a count beyond that cannot
    // fit the message: refused before anything is reserved.
    if (count > in.remaining() / 4) return false;
    read.reserve(count);
    for (size_t i = 0; i < count; ++i) read.push_back(read_entry(in));
  } catch (const CCancelableSocketBufferException&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!OnlyPaddingLeft(in, blowfish)) return false;
  *entries = std::move(read);
  return true;
}

}  // namespace

void TransferConnectionKeyCommand::Encode(FieldWriter& out) const {
  out.Int32(first_random)
      .Int32(login_identity)
      .Bytes(key.data() + kKeyHalf, kKeyHalf)
      .Bytes(key.data(), kKeyHalf)
      .Int32(second_random);
}

void UploadBatchCommand::Encode(FieldWriter& out) const {
  out.Bool(compressed).Bool(delta).Int32(login_identity).Count(files.size());
  for (const UploadBatchFile& file : files) out.Int32(file.index).Int32(file.size).Date(file.date);
}

void DownloadBatchCommand::Encode(FieldWriter& out) const {
  out.Bool(compressed).Bool(delta).Int32(login_identity).Count(files.size());
  for (const DownloadBatchFile& file : files) out.Int32(file.index).String(file.transfer_name);
}

bool ReadUploadResults(CInMessage& in, size_t count, bool blowfish,
                       std::vector<UploadFileResult>* results) {
  return ReadWholeList(
      in, count, blowfish,
      [](CInMessage& message) {
        UploadFileResult result;
        result.transferred = message.ReadBool();
        result.text = message.ReadString();
        return result;
      },
      results);
}

bool ReadDownloadDates(CInMessage& in, size_t count, bool blowfish, std::vector<double>* dates) {
  return ReadWholeList(
      in, count, blowfish, [](CInMessage& message) { return message.ReadDate(); }, dates);
}

}  // namespace qorv
