// Transfer names: the server's names for bodies a client may fetch with
// command 65.
//
// "V" + version record id + "." + line-ending mode + "." + file-time mode,
// for example "V42.2.1". Issued in the replies of commands 38, 42, 61, 62
// and 72; opaque to the client.
#ifndef QORV_SERVER_TRANSFER_NAME_H_
#define QORV_SERVER_TRANSFER_NAME_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "server/line_endings.h"
#include "server/ole_time.h"
#include "server/store_records.h"

namespace qorv::server {

// File-time modes (Enum_SetLocalFileTime): the date sent after a body.
enum FileTimeMode : int32_t {
  kFileTimeCurrent = 0,
  kFileTimeModification = 1,
  kFileTimeCheckIn = 2,
};

struct TransferName {
  int64_t version_record = 0;
  Eol eol = Eol::kCrLf;
  int32_t file_time_mode = kFileTimeModification;
};

// Any file-time mode other than 0, 1 and 2 is kept as 1 (modification time).
std::string MakeTransferName(int64_t version_record, Eol eol, int32_t file_time_mode);
// Strict: "V", 1 to 18 digits, ".", one digit 0-2, ".", one digit 0-2.
std::optional<TransferName> ParseTransferName(std::string_view text);

// The date command 65 sends after a body.
OleMs TransferDate(const TransferName& name, const VersionInfo& version, OleMs now);

}  // namespace qorv::server

#endif  // QORV_SERVER_TRANSFER_NAME_H_
