// ConnectToServer and Login.
#include "ops/session.h"
#include "sdk/method_call.h"
#include "sdk/qor_sdk.h"

namespace qorv::sdk {

HRESULT CQorSDK::ConnectToServer(BSTR ServerIP, LONG ServerPort, VARIANT_BOOL* ConnectedToServer,
                                 Enum_EncryptType* EncryptType, VARIANT_BOOL* Canceled,
                                 BSTR* ResultDescription, Enum_ProxyType ProxyType, BSTR ProxyIP,
                                 LONG ProxyPort, BSTR UserName, BSTR Password, LONG* ResultValue) {
  const ops::ConnectArguments arguments{InText(ServerIP), ServerPort, ProxyType,
                                        InText(ProxyIP),  ProxyPort,  InText(UserName),
                                        InText(Password)};
  ops::ConnectOutputs outputs;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::ConnectToServer(Context(), arguments, status, &outputs);
  });
  WriteBool(ConnectedToServer, outputs.connected);
  WriteEnum(EncryptType, outputs.encryption_mode);
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return S_OK;
}

// Until the key-file reader is in: the login is not built.
HRESULT CQorSDK::Login(BSTR, BSTR, BSTR, IQORVKeyInfoSet*, VARIANT_BOOL*, LONG*, VARIANT_BOOL*,
                       BSTR*, LONG*) {
  return E_NOTIMPL;
}

}  // namespace qorv::sdk
