#include "cli/sdk_call.h"

namespace qorv::cli {

Outcome CallOutcome(const char* method, Step step, HRESULT hr,
                    const qorvsdk::OperationStatus& status) {
  if (FAILED(hr)) {
    Outcome failed = Outcome::FailedCall(method, hr);
    failed.step = step;
    return failed;
  }
  Outcome outcome;
  outcome.method = method;
  outcome.step = step;
  outcome.result = status.value;
  outcome.description = status.description.Utf8();
  outcome.canceled = status.canceled != VARIANT_FALSE;
  return outcome;
}

}  // namespace qorv::cli
