#include "cli/file_status.h"

#include "qorvsdk/enums.h"

namespace qorv::cli {
namespace {

struct StatusWords {
  LONG status;
  const char* text;
  const char* name;
};

constexpr StatusWords kStatuses[] = {
    {Enum_FileStatusNormal, "", "normal"},
    {Enum_FileStatusPinned, "pinned", "pinned"},
    {Enum_FileStatusShared, "shared", "shared"},
    {Enum_FileStatusExclusiveCheckout, "checked out", "checked-out"},
    {Enum_FileStatusSingleCheckoutSharedFile, "checked out, shared", "checked-out-shared"},
    {Enum_FileStatusMultiCheckout, "checked out by several", "multi-checkout"},
    {Enum_FileStatusMultiCheckoutSharedFile, "checked out by several, shared",
     "multi-checkout-shared"},
    {Enum_FileStatusPinnedAndShared, "pinned, shared", "pinned-shared"},
};

}  // namespace

const char* FileStatusText(LONG status) {
  for (const StatusWords& words : kStatuses) {
    if (words.status == status) return words.text;
  }
  return "unknown status";
}

const char* FileStatusName(LONG status) {
  for (const StatusWords& words : kStatuses) {
    if (words.status == status) return words.name;
  }
  return "unknown";
}

}  // namespace qorv::cli
