// The project tree edit methods: each converts its arguments, runs its
// operation (ops/tree_edits.h) and writes the out-parameters and the item
// results (method_call.h). CreateProject, RenameFile, RenameProject, PinFile
// and UnpinFile have no Canceled out-parameter.
#include <string>
#include <vector>

#include "ops/tree_edits.h"
#include "sdk/method_call.h"
#include "sdk/qor_sdk.h"

namespace qorv::sdk {
namespace {

template <class SetInterface>
std::vector<std::string> InTexts(SetInterface* set) {
  std::vector<std::string> texts;
  for (std::string& text : InSet(set)) texts.push_back(std::move(text));
  return texts;
}

}  // namespace

HRESULT CQorSDK::CreateProject(BSTR ProjectName, BSTR ProjectToCreate, BSTR Comment,
                               BSTR* ResultDescription, LONG* ResultValue) {
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::CreateProject(Context(), InText(ProjectName), InText(ProjectToCreate),
                              InText(Comment), status);
  });
  WriteOutcome(outcome, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::DeleteProject(BSTR ProjectToDelete, VARIANT_BOOL DestoryPermanently,
                               VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                               IQORVOperationResult* OperationResult, LONG* ResultValue) {
  ops::ItemResult item;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::DeleteProject(Context(), InText(ProjectToDelete), InBool(DestoryPermanently),
                              status, &item);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return WriteSingleResult(OperationResult, outcome, item);
}

HRESULT CQorSDK::DeleteFiles(IQORVDeleteFileSet* DeleteFileSet, VARIANT_BOOL DestoryPermanently,
                             VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                             IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::DeleteFiles(Context(), InTexts(DeleteFileSet), InBool(DestoryPermanently), status,
                            &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::RenameFile(BSTR ProjectParent, BSTR FileToRename, BSTR NewFileName,
                            BSTR* ResultDescription, LONG* ResultValue) {
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::RenameFile(Context(), InText(ProjectParent), InText(FileToRename),
                           InText(NewFileName), status);
  });
  WriteOutcome(outcome, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::RenameProject(BSTR ProjectParent, BSTR ProjectName, BSTR NewProjectName,
                               BSTR* ResultDescription, LONG* ResultValue) {
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::RenameProject(Context(), InText(ProjectParent), InText(ProjectName),
                              InText(NewProjectName), status);
  });
  WriteOutcome(outcome, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::MoveItem(BSTR ItemToMove, BSTR TargetProject, VARIANT_BOOL* Canceled,
                          BSTR* ResultDescription, LONG* ResultValue) {
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::MoveItem(Context(), InText(ItemToMove), InText(TargetProject), status);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::ShareProjectFrom(BSTR ProjectShareTo, BSTR ProjectShareFrom,
                                  VARIANT_BOOL BranchAfterShare, VARIANT_BOOL Recursive,
                                  BSTR Comment, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                  LONG* ResultValue) {
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::ShareProjectFrom(Context(), InText(ProjectShareTo), InText(ProjectShareFrom),
                                 InBool(BranchAfterShare), InBool(Recursive), InText(Comment),
                                 status);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::ShareFilesFrom(BSTR ProjectShareTo, IQORVShareFileSet* ShareFileSet,
                                VARIANT_BOOL BranchAfterShare, BSTR Comment, VARIANT_BOOL* Canceled,
                                BSTR* ResultDescription,
                                IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::ShareFilesFrom(Context(), InText(ProjectShareTo), InTexts(ShareFileSet),
                               InBool(BranchAfterShare), InText(Comment), status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::Branch(BSTR ItemName, BSTR Comment, VARIANT_BOOL* Canceled,
                        BSTR* ResultDescription, LONG* ResultValue) {
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::Branch(Context(), InText(ItemName), InText(Comment), status);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::PinFile(BSTR FileName, LONG Version, BSTR* ResultDescription, LONG* ResultValue) {
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::PinFile(Context(), InText(FileName), Version, status);
  });
  WriteOutcome(outcome, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::UnpinFile(BSTR FileName, BSTR* ResultDescription, LONG* ResultValue) {
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::UnpinFile(Context(), InText(FileName), status);
  });
  WriteOutcome(outcome, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::LabelItem(BSTR ItemName, BSTR LabelName, BSTR Comment, VARIANT_BOOL* Canceled,
                           BSTR* ResultDescription, LONG* ResultValue) {
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::LabelItem(Context(), InText(ItemName), InText(LabelName), InText(Comment), status);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::RecoverItems(IQORVRecoverItemSet* RecoverItemSet, VARIANT_BOOL* Canceled,
                              BSTR* ResultDescription, IQORVOperationResultSet** OperationResultSet,
                              LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::RecoverItems(Context(), InTexts(RecoverItemSet), status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::PurgeItems(IQORVPurgeItemSet* PurgeItemSet, VARIANT_BOOL* Canceled,
                            BSTR* ResultDescription, IQORVOperationResultSet** OperationResultSet,
                            LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::PurgeItems(Context(), InTexts(PurgeItemSet), status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::SetPassword(BSTR NewPassword, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                             LONG* ResultValue) {
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::SetPassword(Context(), InText(NewPassword), status);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return S_OK;
}

}  // namespace qorv::sdk
