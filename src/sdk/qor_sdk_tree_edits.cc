// The project tree edit methods: each converts its arguments, runs its
// operation (ops/tree_edits.h) and writes the out-parameters and the item
// results (method_call.h).
#include "ops/tree_edits.h"
#include "sdk/method_call.h"
#include "sdk/qor_sdk.h"

namespace qorv::sdk {

HRESULT CQorSDK::CreateProject(BSTR ProjectName, BSTR ProjectToCreate, BSTR Comment,
                               BSTR* ResultDescription, LONG* ResultValue) {
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::CreateProject(Context(), InText(ProjectName), InText(ProjectToCreate),
                              InText(Comment), status);
  });
  WriteOutcome(outcome, ResultDescription, ResultValue);
  return S_OK;
}

}  // namespace qorv::sdk
