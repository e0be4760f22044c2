// The operation methods of IQORVSDK whose operations are not built yet. Each
// answers E_NOTIMPL and writes nothing, so a caller can never mistake it for
// a completed operation.
#include "sdk/qor_sdk.h"

namespace qorv::sdk {

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
