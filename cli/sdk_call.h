// Turning the outputs every IQORVSDK operation method shares (Canceled,
// ResultDescription, ResultValue: qorvsdk::OperationStatus) into an Outcome.
#ifndef QORV_CLI_SDK_CALL_H_
#define QORV_CLI_SDK_CALL_H_

#include "cli/outcome.h"
#include "qorvsdk/comtypes.h"
#include "qorvsdk/result.h"

namespace qorv::cli {

inline VARIANT_BOOL VariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// The outcome of one call: a failing HRESULT (E_NOTIMPL from a method not
// built yet among them) is kept as such, since the out-parameters are then
// not written; otherwise result, description and Canceled.
Outcome CallOutcome(const char* method, Step step, HRESULT hr,
                    const qorvsdk::OperationStatus& status);

}  // namespace qorv::cli

#endif  // QORV_CLI_SDK_CALL_H_
