// The check-out, undo and check-in methods: each converts its arguments,
// runs its operation and writes the out-parameters and the item results
// (method_call.h).
#include "ops/check_in_operations.h"
#include "ops/check_out_operations.h"
#include "sdk/method_call.h"
#include "sdk/qor_sdk.h"

namespace qorv::sdk {
namespace {

ops::CheckOutOptions CheckOutOptionsOf(BSTR comment, VARIANT_BOOL no_local_copy,
                                       Enum_WritableFileHandling handling, Enum_EOL eol,
                                       Enum_SetLocalFileTime file_time) {
  ops::CheckOutOptions options;
  options.comment = InText(comment);
  options.no_local_copy = InBool(no_local_copy);
  options.writable_handling = handling;
  options.eol = eol;
  options.set_local_file_time = file_time;
  return options;
}

ops::UndoOptions UndoOptionsOf(Enum_EOL eol, Enum_SetLocalFileTime file_time,
                               Enum_UndoCheckOutLocalFileHandling local_handling,
                               Enum_UndoCheckOutChangedFileHandling changed_handling,
                               VARIANT_BOOL read_only) {
  ops::UndoOptions options;
  options.eol = eol;
  options.set_local_file_time = file_time;
  options.local_handling = local_handling;
  options.changed_handling = changed_handling;
  options.read_only_if_not_checked_out = InBool(read_only);
  return options;
}

ops::CheckInOptions CheckInOptionsOf(VARIANT_BOOL keep, BSTR comment, Enum_EOL eol,
                                     Enum_SetLocalFileTime file_time,
                                     Enum_CheckinUnchangedFileHandling unchanged,
                                     VARIANT_BOOL read_only, VARIANT_BOOL remove_local,
                                     BSTR merge_tool, BSTR merge_arguments) {
  ops::CheckInOptions options;
  options.keep_checked_out = InBool(keep);
  options.comment = InText(comment);
  options.eol = eol;
  options.set_local_file_time = file_time;
  options.unchanged_handling = unchanged;
  options.read_only_if_not_checked_out = InBool(read_only);
  options.remove_local_copy = InBool(remove_local);
  options.merge_tool = InText(merge_tool);
  options.merge_arguments = InText(merge_arguments);
  return options;
}

// The pairs of an input set whose records hold a server path and a local
// file name.
template <class Set, class Record>
std::vector<ops::WorkingFile> WorkingFilesOf(Set* set, std::string Record::*server_path) {
  std::vector<ops::WorkingFile> files;
  for (const Record& entry : InSet(set)) {
    files.push_back({entry.*server_path, entry.local_file_name});
  }
  return files;
}

}  // namespace

HRESULT CQorSDK::CheckoutFiles(IQORVCheckoutFileSet* CheckoutFileSet, BSTR Comment,
                               VARIANT_BOOL DoNotGetLocalCopy,
                               Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                               Enum_SetLocalFileTime SetLocalFileTime, VARIANT_BOOL* Canceled,
                               BSTR* ResultDescription,
                               IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::CheckoutFiles(
        Context(), WorkingFilesOf(CheckoutFileSet, &CheckoutFileRecord::file_to_checkout),
        CheckOutOptionsOf(Comment, DoNotGetLocalCopy, WritableFileHandling, EOL, SetLocalFileTime),
        status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::CheckoutProject(BSTR ProjectToCheckout, BSTR LocalDirectory, BSTR Comment,
                                 VARIANT_BOOL DoNotGetLocalCopy, VARIANT_BOOL Recursive,
                                 Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                 Enum_SetLocalFileTime SetLocalFileTime, VARIANT_BOOL* Canceled,
                                 BSTR* ResultDescription,
                                 IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::CheckoutProject(
        Context(), InText(ProjectToCheckout), InText(LocalDirectory), InBool(Recursive),
        CheckOutOptionsOf(Comment, DoNotGetLocalCopy, WritableFileHandling, EOL, SetLocalFileTime),
        status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::UndoFilesCheckout(
    IQORVUndoCheckoutFileSet* UndoCheckoutFileSet, Enum_EOL EOL,
    Enum_SetLocalFileTime SetLocalFileTime,
    Enum_UndoCheckOutLocalFileHandling UndoCheckOutLocalFileHandling,
    Enum_UndoCheckOutChangedFileHandling UndoCheckOutChangeFileHandling,
    VARIANT_BOOL ReadOnlyIfNotCheckedout, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
    IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::UndoFilesCheckout(
        Context(), WorkingFilesOf(UndoCheckoutFileSet, &UndoCheckoutFileRecord::file_to_undo),
        UndoOptionsOf(EOL, SetLocalFileTime, UndoCheckOutLocalFileHandling,
                      UndoCheckOutChangeFileHandling, ReadOnlyIfNotCheckedout),
        status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::UndoProjectCheckout(
    BSTR ProjectToUndo, BSTR LocalDirectory, VARIANT_BOOL Recursive, Enum_EOL EOL,
    Enum_SetLocalFileTime SetLocalFileTime,
    Enum_UndoCheckOutLocalFileHandling UndoCheckOutLocalFileHandling,
    Enum_UndoCheckOutChangedFileHandling UndoCheckOutChangeFileHandling,
    VARIANT_BOOL ReadOnlyIfNotCheckedout, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
    IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::UndoProjectCheckout(
        Context(), InText(ProjectToUndo), InText(LocalDirectory), InBool(Recursive),
        UndoOptionsOf(EOL, SetLocalFileTime, UndoCheckOutLocalFileHandling,
                      UndoCheckOutChangeFileHandling, ReadOnlyIfNotCheckedout),
        status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::CheckInFiles(IQORVCheckinFileSet* CheckinFileSet, VARIANT_BOOL KeepCheckout,
                              BSTR Comment, Enum_EOL EOL, Enum_SetLocalFileTime SetLocalFileTime,
                              Enum_CheckinUnchangedFileHandling CheckinUnchangedFileHandling,
                              VARIANT_BOOL ReadOnlyIfNotCheckedout, VARIANT_BOOL RemoveLocalCopy,
                              BSTR MergeTool, BSTR TwoWayMergeArgs, VARIANT_BOOL* Canceled,
                              BSTR* ResultDescription, IQORVOperationResultSet** OperationResultSet,
                              LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::CheckInFiles(
        Context(), WorkingFilesOf(CheckinFileSet, &CheckinFileRecord::file_to_checkin),
        CheckInOptionsOf(KeepCheckout, Comment, EOL, SetLocalFileTime, CheckinUnchangedFileHandling,
                         ReadOnlyIfNotCheckedout, RemoveLocalCopy, MergeTool, TwoWayMergeArgs),
        status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::CheckInProject(BSTR ProjectToCheckin, BSTR LocalDirectory, BSTR Comment,
                                VARIANT_BOOL Recursive, VARIANT_BOOL KeepCheckout,
                                VARIANT_BOOL RemoveLocalCopy, Enum_EOL EOL,
                                Enum_SetLocalFileTime SetLocalFileTime,
                                Enum_CheckinUnchangedFileHandling CheckinUnchangedFileHandling,
                                VARIANT_BOOL ReadOnlyIfNotCheckedout, BSTR MergeTool,
                                BSTR TwoWayMergeArgs, VARIANT_BOOL* Canceled,
                                BSTR* ResultDescription,
                                IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::CheckInProject(
        Context(), InText(ProjectToCheckin), InText(LocalDirectory), InBool(Recursive),
        CheckInOptionsOf(KeepCheckout, Comment, EOL, SetLocalFileTime, CheckinUnchangedFileHandling,
                         ReadOnlyIfNotCheckedout, RemoveLocalCopy, MergeTool, TwoWayMergeArgs),
        status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

}  // namespace qorv::sdk
