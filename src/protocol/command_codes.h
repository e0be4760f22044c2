// The command codes of the request protocol: the byte that opens every
// request frame, and the dispatcher codes that carry no byte of their own.
// docs/protocol.md gives every command's fields.
#ifndef QORV_PROTOCOL_COMMAND_CODES_H_
#define QORV_PROTOCOL_COMMAND_CODES_H_

#include <cstdint>

namespace qorv {

enum class CommandCode : uint8_t {
  kPlainLogin = 1,
  kCheckOutHolders = 2,  // "list texts of a path"
  kProjectContents = 3,
  kCreateProjects = 4,
  kDeleteItems = 5,
  kRenameItem = 6,
  kRecoverItems = 7,
  kShareFile = 8,
  kShareProject = 9,
  kPinFile = 16,
  kUnpinFile = 17,
  kBranchItem = 18,
  kMoveItem = 19,
  kSetPassword = 20,
  kItemLabels = 21,  // "list records of a path"
  kFileLinks = 22,
  kFileGeneralInfo = 23,
  kProjectGeneralInfo = 24,
  kDeletedItems = 25,
  kPurgeItems = 32,
  kLabelItem = 33,
  kFileHistory = 34,
  kProjectHistory = 35,
  kUsers = 37,  // "list pairs"
  kGetFiles = 38,
  kAddFiles = 40,
  kCheckOutUnconfirmed = 42,  // check out whose confirmation (69) gets no reply
  kUndoCheckOut = 43,
  kDatabaseAliases = 44,
  kSetKeepLatestOnly = 48,  // "set a flag on a path"
  kKeyedLogin = 49,
  kConnect = 50,     // not a message: the connect and handshake
  kFileExists = 51,  // "boolean query A"
  kProjectExists = 52,
  kItemKinds = 53,  // "byte list for paths"
  kFileCount = 54,
  kListWithDates = 55,
  kListSince = 56,
  kProjectFileList = 59,
  kVersionAtLabel = 60,  // "int32 query"
  kGetFilesAtVersion = 61,
  kGetFilesAtDate = 62,
  kUploadBatch = 64,    // transfer connections only
  kDownloadBatch = 65,  // transfer connections only
  kAddCheck = 66,
  kFileStatus = 67,
  kCheckOutState = 68,
  kConfirmationWithoutReply = 69,  // no code byte on the wire
  kProjectAtVersion = 70,
  kProjectAtDate = 71,
  kCheckOut = 72,
  kCheckOutConfirmation = 73,  // no code byte on the wire
  kCheckInBegin = 80,
  kCheckInCommit = 81,
  kKeepAlivePing = 82,
  kTransferConnectionKey = 96,  // transfer connections only
  kLabelDate = 112,
};

// True for the codes the request engine's dispatcher runs on the main
// connection: every command above except the three of the transfer
// connections. Code 50 is among them (it runs the connect).
bool IsDispatcherCode(uint8_t code);

}  // namespace qorv

#endif  // QORV_PROTOCOL_COMMAND_CODES_H_
