// The result of one item of an operation on several items (a file of a get,
// a project of a delete): created as {empty, 0, "Completed"} when the
// operation starts on the item and updated as it goes. The method hands the
// list to the caller as an IQORVOperationResultSet, in list order, or, for
// the single-item methods, stores it into the caller's IQORVOperationResult.
#ifndef QORV_OPS_ITEM_RESULT_H_
#define QORV_OPS_ITEM_RESULT_H_

#include <cstdint>
#include <string>

#include "qorvsdk/result_codes.h"

namespace qorv::ops {

struct ItemResult {
  std::string item_full_name;
  int32_t result = kResultOk;
  std::string description = kTextCompleted;

  bool operator==(const ItemResult&) const = default;
};

}  // namespace qorv::ops

#endif  // QORV_OPS_ITEM_RESULT_H_
