// AddFiles and AddFolder: each converts its arguments, runs its operation
// and writes the out-parameters and the item results (method_call.h).
#include "ops/add_operations.h"
#include "sdk/method_call.h"
#include "sdk/qor_sdk.h"

namespace qorv::sdk {
namespace {

ops::AddOptions AddOptionsOf(VARIANT_BOOL read_only, VARIANT_BOOL latest_only, Enum_EOL eol,
                             int32_t deleted_copy_handling, BSTR comment) {
  ops::AddOptions options;
  options.read_only_if_not_checked_out = InBool(read_only);
  options.store_only_latest = InBool(latest_only);
  options.eol = eol;
  options.deleted_copy_handling = deleted_copy_handling;
  options.comment = InText(comment);
  return options;
}

}  // namespace

HRESULT CQorSDK::AddFiles(IQORVAddFileSet* AddFileSet, VARIANT_BOOL ReadOnlyIfNotCheckedout,
                          VARIANT_BOOL StoreOnlyLatestVersion, Enum_EOL EOL,
                          Enum_AddFileDeletedCopyHandling AddFileDeletedCopyHandling, BSTR Comment,
                          VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                          IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    std::vector<ops::FileToAdd> files;
    for (const AddFileRecord& entry : InSet(AddFileSet)) {
      files.push_back({entry.local_file_name, entry.remote_file_name, entry.file_type});
    }
    return ops::AddFiles(Context(), files,
                         AddOptionsOf(ReadOnlyIfNotCheckedout, StoreOnlyLatestVersion, EOL,
                                      AddFileDeletedCopyHandling, Comment),
                         status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::AddFolder(BSTR ProjectName, BSTR LocalFolder, BSTR Comment, VARIANT_BOOL Recursive,
                           VARIANT_BOOL StoreOnlyLatestVersion,
                           VARIANT_BOOL ReadOnlyIfNotCheckedout, Enum_EOL EOL,
                           Enum_FileType FileType, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                           IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::AddFolder(Context(), InText(ProjectName), InText(LocalFolder), InBool(Recursive),
                          FileType,
                          AddOptionsOf(ReadOnlyIfNotCheckedout, StoreOnlyLatestVersion, EOL,
                                       Enum_AddFileDeletedCopyHandlingPurge, Comment),
                          status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

}  // namespace qorv::sdk
