// The operation methods of IQORVSDK whose operations are not built yet. Each
// answers E_NOTIMPL and writes nothing, so a caller can never mistake it for
// a completed operation.
#include "sdk/qor_sdk.h"

namespace qorv::sdk {

HRESULT CQorSDK::CreateProject(BSTR, BSTR, BSTR, BSTR*, LONG*) { return E_NOTIMPL; }

HRESULT CQorSDK::AddFolder(BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, VARIANT_BOOL, Enum_EOL,
                           Enum_FileType, VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**, LONG*) {
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

HRESULT CQorSDK::ShareProjectFrom(BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, BSTR, VARIANT_BOOL*,
                                  BSTR*, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::LabelItem(BSTR, BSTR, BSTR, VARIANT_BOOL*, BSTR*, LONG*) { return E_NOTIMPL; }

HRESULT CQorSDK::Branch(BSTR, BSTR, VARIANT_BOOL*, BSTR*, LONG*) { return E_NOTIMPL; }

HRESULT CQorSDK::SetPassword(BSTR, VARIANT_BOOL*, BSTR*, LONG*) { return E_NOTIMPL; }

HRESULT CQorSDK::MoveItem(BSTR, BSTR, VARIANT_BOOL*, BSTR*, LONG*) { return E_NOTIMPL; }

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

HRESULT CQorSDK::RecoverItems(IQORVRecoverItemSet*, VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**,
                              LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::PurgeItems(IQORVPurgeItemSet*, VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**,
                            LONG*) {
  return E_NOTIMPL;
}

}  // namespace qorv::sdk
