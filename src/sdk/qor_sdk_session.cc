// ConnectToServer and Login.
#include "ops/session.h"
#include "sdk/method_call.h"
#include "sdk/qor_sdk.h"

namespace qorv::sdk {

HRESULT CQorSDK::ConnectToServer(BSTR ServerIP, LONG ServerPort, VARIANT_BOOL* ConnectedToServer,
                                 Enum_EncryptType* EncryptType, VARIANT_BOOL* Canceled,
                                 BSTR* ResultDescription, Enum_ProxyType ProxyType, BSTR ProxyIP,
                                 LONG ProxyPort, BSTR UserName, BSTR Password, LONG* ResultValue) {
  ops::ConnectOutputs outputs;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    const ops::ConnectArguments arguments{InText(ServerIP), ServerPort, ProxyType,
                                          InText(ProxyIP),  ProxyPort,  InText(UserName),
                                          InText(Password)};
    return ops::ConnectToServer(Context(), arguments, status, &outputs);
  });
  WriteBool(ConnectedToServer, outputs.connected);
  WriteEnum(EncryptType, outputs.encryption_mode);
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::Login(BSTR UserName, BSTR Password, BSTR DatabaseName, IQORVKeyInfoSet* KeyInfoSet,
                       VARIANT_BOOL* MustChangePassword, LONG* ExpireDays, VARIANT_BOOL* Canceled,
                       BSTR* ResultDescription, LONG* ResultValue) {
  ops::LoginOutputs outputs;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    const ops::LoginArguments arguments{InText(UserName), InText(Password), InText(DatabaseName),
                                        InSet(KeyInfoSet)};
    return ops::Login(Context(), arguments, status, &outputs);
  });
  WriteBool(MustChangePassword, outputs.must_change_password);
  WriteLong(ExpireDays, outputs.expire_days);
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return S_OK;
}

}  // namespace qorv::sdk
