// The operation methods of IQORVSDK whose operations are not built yet. Each
// answers E_NOTIMPL and writes nothing, so a caller can never mistake it for
// a completed operation.
#include "sdk/qor_sdk.h"

namespace qorv::sdk {

HRESULT CQorSDK::ConnectToServer(BSTR, LONG, VARIANT_BOOL*, Enum_EncryptType*, VARIANT_BOOL*, BSTR*,
                                 Enum_ProxyType, BSTR, LONG, BSTR, BSTR, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::Login(BSTR, BSTR, BSTR, IQORVKeyInfoSet*, VARIANT_BOOL*, LONG*, VARIANT_BOOL*,
                       BSTR*, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::CreateProject(BSTR, BSTR, BSTR, BSTR*, LONG*) { return E_NOTIMPL; }

HRESULT CQorSDK::AddFolder(BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, VARIANT_BOOL, Enum_EOL,
                           Enum_FileType, VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetProjectByLabel(BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL,
                                   Enum_WritableFileHandling, Enum_EOL, Enum_SetLocalFileTime, BSTR,
                                   BSTR, VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetOldVersionFile(BSTR, BSTR, LONG, BSTR, VARIANT_BOOL, Enum_WritableFileHandling,
                                   Enum_EOL, Enum_SetLocalFileTime, BSTR, BSTR, VARIANT_BOOL*,
                                   BSTR*, IQORVOperationResult*, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetLatestProject(BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, Enum_WritableFileHandling,
                                  Enum_EOL, Enum_SetLocalFileTime, BSTR, BSTR, VARIANT_BOOL*, BSTR*,
                                  IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::CheckoutProject(BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL,
                                 Enum_WritableFileHandling, Enum_EOL, Enum_SetLocalFileTime,
                                 VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::CheckInProject(BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, VARIANT_BOOL,
                                Enum_EOL, Enum_SetLocalFileTime, Enum_CheckinUnchangedFileHandling,
                                VARIANT_BOOL, BSTR, BSTR, VARIANT_BOOL*, BSTR*,
                                IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::UndoProjectCheckout(BSTR, BSTR, VARIANT_BOOL, Enum_EOL, Enum_SetLocalFileTime,
                                     Enum_UndoCheckOutLocalFileHandling,
                                     Enum_UndoCheckOutChangedFileHandling, VARIANT_BOOL,
                                     VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::DeleteProject(BSTR, VARIANT_BOOL, VARIANT_BOOL*, BSTR*, IQORVOperationResult*,
                               LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::RenameFile(BSTR, BSTR, BSTR, BSTR*, LONG*) { return E_NOTIMPL; }

HRESULT CQorSDK::RenameProject(BSTR, BSTR, BSTR, BSTR*, LONG*) { return E_NOTIMPL; }

HRESULT CQorSDK::PinFile(BSTR, LONG, BSTR*, LONG*) { return E_NOTIMPL; }

HRESULT CQorSDK::UnpinFile(BSTR, BSTR*, LONG*) { return E_NOTIMPL; }

HRESULT CQorSDK::IsFileSameAsOnServer(BSTR, BSTR, Enum_EOL, LONG, VARIANT_BOOL*, VARIANT_BOOL*,
                                      BSTR*, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::ShareProjectFrom(BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, BSTR, VARIANT_BOOL*,
                                  BSTR*, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::LabelItem(BSTR, BSTR, BSTR, VARIANT_BOOL*, BSTR*, LONG*) { return E_NOTIMPL; }

HRESULT CQorSDK::Branch(BSTR, BSTR, VARIANT_BOOL*, BSTR*, LONG*) { return E_NOTIMPL; }

HRESULT CQorSDK::SetPassword(BSTR, VARIANT_BOOL*, BSTR*, LONG*) { return E_NOTIMPL; }

HRESULT CQorSDK::MoveItem(BSTR, BSTR, VARIANT_BOOL*, BSTR*, LONG*) { return E_NOTIMPL; }

HRESULT CQorSDK::GetProjectGeneralInfo(BSTR, LONG*, LONG*, LONG*, LONG*, LONG*, DATE*, BSTR*,
                                       VARIANT_BOOL*, BSTR*, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetFileGeneralInfo(BSTR, BSTR*, LONG*, DATE*, LONG*, BSTR*, VARIANT_BOOL*, BSTR*,
                                    LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetFileCountInProject(BSTR, LONG*, VARIANT_BOOL*, BSTR*, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::IsProjectExistingOnServer(BSTR, VARIANT_BOOL*, VARIANT_BOOL*, BSTR*, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetDatabaseAlias(IQORVDatabaseAliasSet**, VARIANT_BOOL*, BSTR*, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::AddFiles(IQORVAddFileSet*, VARIANT_BOOL, VARIANT_BOOL, Enum_EOL,
                          Enum_AddFileDeletedCopyHandling, BSTR, VARIANT_BOOL*, BSTR*,
                          IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::CheckoutFiles(IQORVCheckoutFileSet*, BSTR, VARIANT_BOOL, Enum_WritableFileHandling,
                               Enum_EOL, Enum_SetLocalFileTime, VARIANT_BOOL*, BSTR*,
                               IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::CheckInFiles(IQORVCheckinFileSet*, VARIANT_BOOL, BSTR, Enum_EOL,
                              Enum_SetLocalFileTime, Enum_CheckinUnchangedFileHandling,
                              VARIANT_BOOL, VARIANT_BOOL, BSTR, BSTR, VARIANT_BOOL*, BSTR*,
                              IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetLatestFiles(IQORVLatestFileSet*, VARIANT_BOOL, Enum_WritableFileHandling,
                                Enum_EOL, Enum_SetLocalFileTime, BSTR, BSTR, VARIANT_BOOL*, BSTR*,
                                IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetLatestProjects(IQORVLatestProjectSet*, VARIANT_BOOL, VARIANT_BOOL,
                                   Enum_WritableFileHandling, Enum_EOL, Enum_SetLocalFileTime, BSTR,
                                   BSTR, VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::UndoFilesCheckout(IQORVUndoCheckoutFileSet*, Enum_EOL, Enum_SetLocalFileTime,
                                   Enum_UndoCheckOutLocalFileHandling,
                                   Enum_UndoCheckOutChangedFileHandling, VARIANT_BOOL,
                                   VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::DeleteFiles(IQORVDeleteFileSet*, VARIANT_BOOL, VARIANT_BOOL*, BSTR*,
                             IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::ShareFilesFrom(BSTR, IQORVShareFileSet*, VARIANT_BOOL, BSTR, VARIANT_BOOL*, BSTR*,
                                IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetProjectHistory(BSTR, VARIANT_BOOL, VARIANT_BOOL, IQORVProjectHistorySet**, BSTR,
                                   DATE, DATE, VARIANT_BOOL*, BSTR*, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetFileHistory(BSTR, VARIANT_BOOL*, IQORVFileHistorySet**, BSTR, DATE, DATE,
                                VARIANT_BOOL*, BSTR*, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetDeletedItemsInProject(BSTR, IQORVDeletedItemSet**, VARIANT_BOOL*, BSTR*,
                                          LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetFileLinks(BSTR, IQORVFileLinkSet**, VARIANT_BOOL*, BSTR*, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::RecoverItems(IQORVRecoverItemSet*, VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**,
                              LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::PurgeItems(IQORVPurgeItemSet*, VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**,
                            LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetSubProjectsFromParent(BSTR, IQORVSubProjectsFromParentSet**, VARIANT_BOOL*,
                                          BSTR*, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetFilesByProject(BSTR, IQORVFilesByProjectSet**, VARIANT_BOOL*, BSTR*, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetProjectByVersion(BSTR, BSTR, LONG, VARIANT_BOOL, VARIANT_BOOL,
                                     Enum_WritableFileHandling, Enum_EOL, Enum_SetLocalFileTime,
                                     BSTR, BSTR, VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**,
                                     LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::GetFileListFromProject(BSTR, IQORVFileListSet**, VARIANT_BOOL*, BSTR*, LONG*) {
  return E_NOTIMPL;
}

}  // namespace qorv::sdk
