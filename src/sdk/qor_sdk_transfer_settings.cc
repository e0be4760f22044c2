// The SDK object's IQORVTransferSettings, and the IDispatch it shares with
// IQORVSDK: the settings live in the request engine, which copies them into
// every file phase.
#include "net/transport_limits.h"
#include "platform/com/boundary_guard.h"
#include "platform/com/text_convert.h"
#include "platform/component/dispatch_table.h"
#include "sdk/method_call.h"
#include "sdk/qor_sdk.h"
#include "sdk/sdk_dispatch_table.h"
#include "sdk/transfer_settings_dispatch_table.h"

namespace qorv::sdk {
namespace {

constexpr LONG kLargestSizeMode = 2;

HRESULT ReadSetting(int32_t setting, LONG* value) {
  if (value == nullptr) return E_POINTER;
  *value = setting;
  return S_OK;
}

// Sets one field of the engine's settings to `value` when it lies in
// 0 .. `largest`; E_INVALIDARG, with nothing changed, otherwise.
HRESULT WriteSetting(CRequestEngine& engine, int32_t TransferSettings::*field, LONG value,
                     LONG largest) {
  if (value < 0 || value > largest) return E_INVALIDARG;
  TransferSettings settings = engine.transfer_settings();
  settings.*field = value;
  engine.set_transfer_settings(settings);
  return S_OK;
}

}  // namespace

HRESULT CQorSDK::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* dispids) {
  HRESULT hr = platform::DispatchGetIDsOfNames(SdkDispatchTable(), riid, names, count, dispids);
  if (hr == DISP_E_UNKNOWNNAME && count > 0 && dispids[0] == DISPID_UNKNOWN) {
    hr = platform::DispatchGetIDsOfNames(TransferSettingsDispatchTable(), riid, names, count,
                                         dispids);
  }
  return hr;
}

HRESULT CQorSDK::Invoke(DISPID dispid, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argument_error) {
  if (IsTransferSettingsDispid(dispid)) {
    return platform::DispatchInvoke(TransferSettingsDispatchTable(),
                                    static_cast<IQORVTransferSettings*>(this), dispid, riid, flags,
                                    params, result, exception, argument_error);
  }
  return platform::DispatchInvoke(SdkDispatchTable(), static_cast<IQORVSDK*>(this), dispid, riid,
                                  flags, params, result, exception, argument_error);
}

HRESULT CQorSDK::get_CompressedTransfer(LONG* value) {
  return ReadSetting(engine_.transfer_settings().compressed, value);
}

HRESULT CQorSDK::put_CompressedTransfer(LONG value) {
  return WriteSetting(engine_, &TransferSettings::compressed, value, 1);
}

HRESULT CQorSDK::get_DeltaAllowed(LONG* value) {
  return ReadSetting(engine_.transfer_settings().delta_allowed, value);
}

HRESULT CQorSDK::put_DeltaAllowed(LONG value) {
  return WriteSetting(engine_, &TransferSettings::delta_allowed, value, 1);
}

HRESULT CQorSDK::get_SizeMode(LONG* value) {
  return ReadSetting(engine_.transfer_settings().size_mode, value);
}

HRESULT CQorSDK::put_SizeMode(LONG value) {
  return WriteSetting(engine_, &TransferSettings::size_mode, value, kLargestSizeMode);
}

HRESULT CQorSDK::get_TrustedCAFile(BSTR* value) {
  if (value == nullptr) return E_POINTER;
  return GuardBoundary([&] {
    *value = Utf8ToBstr(engine_.transfer_settings().trusted_ca_file);
    return S_OK;
  });
}

HRESULT CQorSDK::put_TrustedCAFile(BSTR value) {
  return GuardBoundary([&] {
    TransferSettings settings = engine_.transfer_settings();
    settings.trusted_ca_file = InText(value);
    engine_.set_transfer_settings(settings);
    return S_OK;
  });
}

HRESULT CQorSDK::get_ReceiveTimeout(LONG* value) {
  return ReadSetting(engine_.transfer_settings().receive_timeout_seconds, value);
}

HRESULT CQorSDK::put_ReceiveTimeout(LONG value) {
  return WriteSetting(engine_, &TransferSettings::receive_timeout_seconds, value,
                      kMaxReceiveTimeoutSeconds);
}

}  // namespace qorv::sdk
