// The commands of the transfer connections (docs/protocol.md section 5):
// 96 keys a Blowfish connection, 64 announces an upload batch and 65 asks
// for a download batch. They are never run by the request engine: the
// transfer threads send them and read their replies themselves, around the
// file bodies that follow them.
#ifndef QORV_TRANSFER_TRANSFER_COMMANDS_H_
#define QORV_TRANSFER_TRANSFER_COMMANDS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "net/blowfish_message.h"
#include "net/in_message.h"
#include "protocol/command_base.h"
#include "protocol/command_codes.h"

namespace qorv {

// 96 (0x60) Transfer connection key. No reply.
struct TransferConnectionKeyCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kTransferConnectionKey;
  static constexpr ReplyShape kReplyShape = ReplyShape::kNoReply;
  int32_t first_random = 0;
  int32_t login_identity = 0;
  ChannelKey key{};  // sent as its second half, then its first half
  int32_t second_random = 0;

  void Encode(FieldWriter& out) const;
};

// 64 (0x40) Upload batch: one announced file.
struct UploadBatchFile {
  int32_t index = 0;
  int32_t size = 0;
  double date = 0;  // the local file's time, already shifted to the server's clock
};
struct UploadBatchCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kUploadBatch;
  bool compressed = false;
  bool delta = false;
  int32_t login_identity = 0;
  std::vector<UploadBatchFile> files;

  void Encode(FieldWriter& out) const;
};

// The reply to 64, after the body: one {transferred, text} per file.
struct UploadFileResult {
  bool transferred = false;
  std::string text;
};

// 65 (0x41) Download batch: one requested file.
struct DownloadBatchFile {
  int32_t index = 0;
  std::string transfer_name;
};
struct DownloadBatchCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kDownloadBatch;
  bool compressed = false;
  bool delta = false;
  int32_t login_identity = 0;
  std::vector<DownloadBatchFile> files;

  void Encode(FieldWriter& out) const;
};

// Reads the reply to 64 and the dates message after a 65 body: exactly
// `count` entries with nothing after them but the zero padding of a
// Blowfish frame (`blowfish`). False when the message holds fewer entries
// or more bytes; nothing is allocated beyond what the message holds.
bool ReadUploadResults(CInMessage& in, size_t count, bool blowfish,
                       std::vector<UploadFileResult>* results);
bool ReadDownloadDates(CInMessage& in, size_t count, bool blowfish, std::vector<double>* dates);

}  // namespace qorv

#endif  // QORV_TRANSFER_TRANSFER_COMMANDS_H_
