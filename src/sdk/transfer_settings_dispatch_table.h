// The dispatch table of IQORVTransferSettings: its properties with
// DISPIDs after those of IQORVSDK. The SDK object serves both tables through
// one IDispatch (CQorSDK::GetIDsOfNames and Invoke).
#ifndef QORV_SDK_TRANSFER_SETTINGS_DISPATCH_TABLE_H_
#define QORV_SDK_TRANSFER_SETTINGS_DISPATCH_TABLE_H_

#include "platform/component/dispatch_table.h"
#include "qorvsdk/transfer_settings.h"
#include "sdk/interface_ids.h"

template <>
struct qorv::platform::DispatchTableFor<IQORVTransferSettings> {
  using M = DispatchMembers<IQORVTransferSettings>;
  static constexpr DispatchMember kMembers[] = {
      M::PropertyGet<&IQORVTransferSettings::get_CompressedTransfer>("CompressedTransfer",
                                                                     DISPID_CompressedTransfer),
      M::PropertyPut<&IQORVTransferSettings::put_CompressedTransfer>("CompressedTransfer",
                                                                     DISPID_CompressedTransfer),
      M::PropertyGet<&IQORVTransferSettings::get_DeltaAllowed>("DeltaAllowed", DISPID_DeltaAllowed),
      M::PropertyPut<&IQORVTransferSettings::put_DeltaAllowed>("DeltaAllowed", DISPID_DeltaAllowed),
      M::PropertyGet<&IQORVTransferSettings::get_SizeMode>("SizeMode", DISPID_SizeMode),
      M::PropertyPut<&IQORVTransferSettings::put_SizeMode>("SizeMode", DISPID_SizeMode),
      M::PropertyGet<&IQORVTransferSettings::get_TrustedCAFile>("TrustedCAFile",
                                                                DISPID_TrustedCAFile),
      M::PropertyPut<&IQORVTransferSettings::put_TrustedCAFile>("TrustedCAFile",
                                                                DISPID_TrustedCAFile),
      M::PropertyGet<&IQORVTransferSettings::get_ReceiveTimeout>("ReceiveTimeout",
                                                                 DISPID_ReceiveTimeout),
      M::PropertyPut<&IQORVTransferSettings::put_ReceiveTimeout>("ReceiveTimeout",
                                                                 DISPID_ReceiveTimeout),
  };
};

namespace qorv::sdk {

platform::DispatchTable TransferSettingsDispatchTable();

// True when the DISPID is one of IQORVTransferSettings.
bool IsTransferSettingsDispid(DISPID dispid);

}  // namespace qorv::sdk

#endif  // QORV_SDK_TRANSFER_SETTINGS_DISPATCH_TABLE_H_
