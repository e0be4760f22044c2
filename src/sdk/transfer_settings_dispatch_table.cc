#include "sdk/transfer_settings_dispatch_table.h"

namespace qorv::sdk {

platform::DispatchTable TransferSettingsDispatchTable() {
  return platform::DispatchTableOf<IQORVTransferSettings>();
}

bool IsTransferSettingsDispid(DISPID dispid) {
  for (const platform::DispatchMember& member : TransferSettingsDispatchTable()) {
    if (member.dispid == dispid) return true;
  }
  return false;
}

}  // namespace qorv::sdk
