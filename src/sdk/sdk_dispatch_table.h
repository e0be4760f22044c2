// The dispatch table of IQORVSDK: the 57 methods with their names and
// DISPIDs. The SDK object serves IDispatch from it through
// platform::DispatchImpl<IQORVSDK>; every argument conversion comes from the
// method signatures in qorvsdk/sdk.h.
#ifndef QORV_SDK_SDK_DISPATCH_TABLE_H_
#define QORV_SDK_SDK_DISPATCH_TABLE_H_

#include "platform/component/dispatch_table.h"
#include "qorvsdk/sdk.h"
#include "sdk/interface_ids.h"

template <>
struct qorv::platform::DispatchTableFor<IQORVSDK> {
  using M = DispatchMembers<IQORVSDK>;
  static constexpr DispatchMember kMembers[] = {
      M::Method<&IQORVSDK::ConnectToServer>("ConnectToServer", 1),
      M::Method<&IQORVSDK::Login>("Login", 2),
      M::Method<&IQORVSDK::CreateProject>("CreateProject", 3),
      M::Method<&IQORVSDK::AddFolder>("AddFolder", 4),
      M::Method<&IQORVSDK::GetProjectByLabel>("GetProjectByLabel", 5),
      M::Method<&IQORVSDK::GetOldVersionFile>("GetOldVersionFile", 6),
      M::Method<&IQORVSDK::GetLatestProject>("GetLatestProject", 7),
      M::Method<&IQORVSDK::CheckoutProject>("CheckoutProject", 8),
      M::Method<&IQORVSDK::CheckInProject>("CheckInProject", 9),
      M::Method<&IQORVSDK::UndoProjectCheckout>("UndoProjectCheckout", 10),
      M::Method<&IQORVSDK::DeleteProject>("DeleteProject", 11),
      M::Method<&IQORVSDK::RenameFile>("RenameFile", 12),
      M::Method<&IQORVSDK::RenameProject>("RenameProject", 13),
      M::Method<&IQORVSDK::PinFile>("PinFile", 14),
      M::Method<&IQORVSDK::UnpinFile>("UnpinFile", 15),
      M::Method<&IQORVSDK::IsFileSameAsOnServer>("IsFileSameAsOnServer", 16),
      M::Method<&IQORVSDK::ShareProjectFrom>("ShareProjectFrom", 17),
      M::Method<&IQORVSDK::LabelItem>("LabelItem", 18),
      M::Method<&IQORVSDK::Branch>("Branch", 19),
      M::Method<&IQORVSDK::SetPassword>("SetPassword", 20),
      M::Method<&IQORVSDK::MoveItem>("MoveItem", 21),
      M::Method<&IQORVSDK::GetProjectGeneralInfo>("GetProjectGeneralInfo", 22),
      M::Method<&IQORVSDK::GetFileGeneralInfo>("GetFileGeneralInfo", 23),
      M::Method<&IQORVSDK::GetFileCountInProject>("GetFileCountInProject", 24),
      M::Method<&IQORVSDK::IsProjectExistingOnServer>("IsProjectExistingOnServer", 25),
      M::Method<&IQORVSDK::RequestCancel>("RequestCancel", 26),
      M::Method<&IQORVSDK::GetDatabaseAlias>("GetDatabaseAlias", 27),
      M::Method<&IQORVSDK::AddFiles>("AddFiles", 28),
      M::Method<&IQORVSDK::CheckoutFiles>("CheckoutFiles", 29),
      M::Method<&IQORVSDK::CheckInFiles>("CheckInFiles", 30),
      M::Method<&IQORVSDK::GetLatestFiles>("GetLatestFiles", 31),
      M::Method<&IQORVSDK::GetLatestProjects>("GetLatestProjects", 32),
      M::Method<&IQORVSDK::UndoFilesCheckout>("UndoFilesCheckout", 33),
      M::Method<&IQORVSDK::DeleteFiles>("DeleteFiles", 34),
      M::Method<&IQORVSDK::ShareFilesFrom>("ShareFilesFrom", 35),
      M::Method<&IQORVSDK::GetProjectHistory>("GetProjectHistory", 36),
      M::Method<&IQORVSDK::GetFileHistory>("GetFileHistory", 37),
      M::Method<&IQORVSDK::GetDeletedItemsInProject>("GetDeletedItemsInProject", 38),
      M::Method<&IQORVSDK::GetFileLinks>("GetFileLinks", 39),
      M::Method<&IQORVSDK::RecoverItems>("RecoverItems", 40),
      M::Method<&IQORVSDK::PurgeItems>("PurgeItems", 41),
      M::Method<&IQORVSDK::SetTempDirectory>("SetTempDirectory", 42),
      M::Method<&IQORVSDK::GetPercentDone>("GetPercentDone", 43),
      M::Method<&IQORVSDK::GetOperationResultCount>("GetOperationResultCount", 44),
      M::Method<&IQORVSDK::GetOperationResultInfo>("GetOperationResultInfo", 45),
      M::Method<&IQORVSDK::GetPromptLeaveOrReplaceWriteableFile>(
          "GetPromptLeaveOrReplaceWriteableFile", 46),
      M::Method<&IQORVSDK::SetPromptLeaveOrReplaceWriteableFile>(
          "SetPromptLeaveOrReplaceWriteableFile", 47),
      M::Method<&IQORVSDK::GetPromptCheckinUnchangedFile>("GetPromptCheckinUnchangedFile", 48),
      M::Method<&IQORVSDK::SetPromptCheckinUnchangedFile>("SetPromptCheckinUnchangedFile", 49),
      M::Method<&IQORVSDK::GetPromptUndoCheckoutChangedFile>("GetPromptUndoCheckoutChangedFile",
                                                             50),
      M::Method<&IQORVSDK::SetPromptUndoCheckoutChangedFile>("SetPromptUndoCheckoutChangedFile",
                                                             51),
      M::Method<&IQORVSDK::GetPromptRecoverOrPurgeDeletedCopy>("GetPromptRecoverOrPurgeDeletedCopy",
                                                               52),
      M::Method<&IQORVSDK::SetPromptRecoverOrPurgeDeletedCopy>("SetPromptRecoverOrPurgeDeletedCopy",
                                                               53),
      M::Method<&IQORVSDK::GetSubProjectsFromParent>("GetSubProjectsFromParent", 54),
      M::Method<&IQORVSDK::GetFilesByProject>("GetFilesByProject", 55),
      M::Method<&IQORVSDK::GetProjectByVersion>("GetProjectByVersion", 56),
      M::Method<&IQORVSDK::GetFileListFromProject>("GetFileListFromProject", 57),
  };
};

namespace qorv::sdk {

// The table above, for code that holds no IQORVSDK.
platform::DispatchTable SdkDispatchTable();

}  // namespace qorv::sdk

#endif  // QORV_SDK_SDK_DISPATCH_TABLE_H_
