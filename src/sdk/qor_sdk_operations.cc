// The operation methods of IQORVSDK whose operations are not built yet. Each
// answers E_NOTIMPL and writes nothing, so a caller can never mistake it for
// a completed operation.
#include "sdk/qor_sdk.h"

namespace qorv::sdk {

HRESULT CQorSDK::AddFolder(BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, VARIANT_BOOL, Enum_EOL,
                           Enum_FileType, VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

HRESULT CQorSDK::AddFiles(IQORVAddFileSet*, VARIANT_BOOL, VARIANT_BOOL, Enum_EOL,
                          Enum_AddFileDeletedCopyHandling, BSTR, VARIANT_BOOL*, BSTR*,
                          IQORVOperationResultSet**, LONG*) {
  return E_NOTIMPL;
}

}  // namespace qorv::sdk
