#include "protocol/command_codes.h"

namespace qorv {

bool IsDispatcherCode(uint8_t code) {
  switch (static_cast<CommandCode>(code)) {
    case CommandCode::kPlainLogin:
    case CommandCode::kCheckOutHolders:
    case CommandCode::kProjectContents:
    case CommandCode::kCreateProjects:
    case CommandCode::kDeleteItems:
    case CommandCode::kRenameItem:
    case CommandCode::kRecoverItems:
    case CommandCode::kShareFile:
    case CommandCode::kShareProject:
    case CommandCode::kPinFile:
    case CommandCode::kUnpinFile:
    case CommandCode::kBranchItem:
    case CommandCode::kMoveItem:
    case CommandCode::kSetPassword:
    case CommandCode::kItemLabels:
    case CommandCode::kFileLinks:
    case CommandCode::kFileGeneralInfo:
    case CommandCode::kProjectGeneralInfo:
    case CommandCode::kDeletedItems:
    case CommandCode::kPurgeItems:
    case CommandCode::kLabelItem:
    case CommandCode::kFileHistory:
    case CommandCode::kProjectHistory:
    case CommandCode::kUsers:
    case CommandCode::kGetFiles:
    case CommandCode::kAddFiles:
    case CommandCode::kCheckOutUnconfirmed:
    case CommandCode::kUndoCheckOut:
    case CommandCode::kDatabaseAliases:
    case CommandCode::kSetKeepLatestOnly:
    case CommandCode::kKeyedLogin:
    case CommandCode::kConnect:
    case CommandCode::kFileExists:
    case CommandCode::kProjectExists:
    case CommandCode::kItemKinds:
    case CommandCode::kFileCount:
    case CommandCode::kListWithDates:
    case CommandCode::kListSince:
    case CommandCode::kProjectFileList:
    case CommandCode::kVersionAtLabel:
    case CommandCode::kGetFilesAtVersion:
    case CommandCode::kGetFilesAtDate:
    case CommandCode::kAddCheck:
    case CommandCode::kFileStatus:
    case CommandCode::kCheckOutState:
    case CommandCode::kConfirmationWithoutReply:
    case CommandCode::kProjectAtVersion:
    case CommandCode::kProjectAtDate:
    case CommandCode::kCheckOut:
    case CommandCode::kCheckOutConfirmation:
    case CommandCode::kCheckInBegin:
    case CommandCode::kCheckInCommit:
    case CommandCode::kKeepAlivePing:
    case CommandCode::kLabelDate:
      return true;
    case CommandCode::kUploadBatch:
    case CommandCode::kDownloadBatch:
    case CommandCode::kTransferConnectionKey:
      return false;
  }
  return false;
}

}  // namespace qorv
