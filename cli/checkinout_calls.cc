#include "cli/checkinout_calls.h"

#include "cli/sdk_call.h"

namespace qorv::cli {
namespace {

// The arguments the calls share, in the SDK's forms.
struct SharedArguments {
  explicit SharedArguments(const CheckSettings& settings)
      : comment(settings.comment),
        merge_tool(settings.merge_tool),
        merge_args(settings.merge_args),
        recursive(VariantBool(settings.recursive)),
        read_only(VariantBool(settings.read_only)) {}

  qorvsdk::Bstr comment;
  qorvsdk::Bstr merge_tool;
  qorvsdk::Bstr merge_args;
  VARIANT_BOOL recursive;
  VARIANT_BOOL read_only;
  qorvsdk::OperationStatus status;
  qorvsdk::ComPtr<IQORVOperationResultSet> results;
};

constexpr ItemSetKind<IQORVCheckoutFileSet, IQORVCheckoutFile> kCheckoutFiles = {
    CLSID_QORVCheckoutFileSet,
    IID_IQORVCheckoutFileSet,
    "QORVCheckoutFileSet",
    CLSID_QORVCheckoutFile,
    IID_IQORVCheckoutFile,
    "QORVCheckoutFile",
    &IQORVCheckoutFile::put_FileToCheckout,
    &IQORVCheckoutFile::put_LocalFileName,
};

constexpr ItemSetKind<IQORVUndoCheckoutFileSet, IQORVUndoCheckoutFile> kUndoFiles = {
    CLSID_QORVUndoCheckoutFileSet,
    IID_IQORVUndoCheckoutFileSet,
    "QORVUndoCheckoutFileSet",
    CLSID_QORVUndoCheckoutFile,
    IID_IQORVUndoCheckoutFile,
    "QORVUndoCheckoutFile",
    &IQORVUndoCheckoutFile::put_FileToUndo,
    &IQORVUndoCheckoutFile::put_LocalFileName,
};

constexpr ItemSetKind<IQORVCheckinFileSet, IQORVCheckinFile> kCheckinFiles = {
    CLSID_QORVCheckinFileSet,
    IID_IQORVCheckinFileSet,
    "QORVCheckinFileSet",
    CLSID_QORVCheckinFile,
    IID_IQORVCheckinFile,
    "QORVCheckinFile",
    &IQORVCheckinFile::put_FileToCheckin,
    &IQORVCheckinFile::put_LocalFileName,
};

Outcome Finish(const char* method, HRESULT hr, SharedArguments& shared,
               std::vector<OperationItem>* items) {
  return ReadOperationItems(CallOutcome(method, Step::kOperation, hr, shared.status),
                            shared.results.get(), items);
}

Outcome CheckoutFiles(IQORVSDK* sdk, const CheckSettings& settings,
                      const std::vector<ItemTarget>& files, std::vector<OperationItem>* items) {
  qorvsdk::ComPtr<IQORVCheckoutFileSet> set;
  if (Outcome built = BuildItemSet(kCheckoutFiles, files, &set); !built.ok()) return built;
  SharedArguments shared(settings);
  const HRESULT hr = sdk->CheckoutFiles(
      set.get(), shared.comment.get(), VariantBool(settings.no_copy), Enum_WritableFileHandlingAsk,
      settings.eol, settings.file_time, &shared.status.canceled,
      shared.status.description.Receive(), shared.results.Receive(), &shared.status.value);
  return Finish("CheckoutFiles", hr, shared, items);
}

Outcome UndoFiles(IQORVSDK* sdk, const CheckSettings& settings,
                  const std::vector<ItemTarget>& files, std::vector<OperationItem>* items) {
  qorvsdk::ComPtr<IQORVUndoCheckoutFileSet> set;
  if (Outcome built = BuildItemSet(kUndoFiles, files, &set); !built.ok()) return built;
  SharedArguments shared(settings);
  const HRESULT hr = sdk->UndoFilesCheckout(
      set.get(), settings.eol, settings.file_time, settings.local,
      Enum_UndoCheckOutChangedFileHandlingAsk, shared.read_only, &shared.status.canceled,
      shared.status.description.Receive(), shared.results.Receive(), &shared.status.value);
  return Finish("UndoFilesCheckout", hr, shared, items);
}

Outcome CheckinFiles(IQORVSDK* sdk, const CheckSettings& settings,
                     const std::vector<ItemTarget>& files, std::vector<OperationItem>* items) {
  qorvsdk::ComPtr<IQORVCheckinFileSet> set;
  if (Outcome built = BuildItemSet(kCheckinFiles, files, &set); !built.ok()) return built;
  SharedArguments shared(settings);
  const HRESULT hr = sdk->CheckInFiles(
      set.get(), VariantBool(settings.keep), shared.comment.get(), settings.eol, settings.file_time,
      Enum_CheckinUnchangedFileHandlingAsk, shared.read_only, VariantBool(settings.remove_local),
      shared.merge_tool.get(), shared.merge_args.get(), &shared.status.canceled,
      shared.status.description.Receive(), shared.results.Receive(), &shared.status.value);
  return Finish("CheckInFiles", hr, shared, items);
}

}  // namespace

Outcome CallForFiles(IQORVSDK* sdk, CheckOperation operation, const CheckSettings& settings,
                     const std::vector<ItemTarget>& files, std::vector<OperationItem>* items) {
  switch (operation) {
    case CheckOperation::kCheckout:
      return CheckoutFiles(sdk, settings, files, items);
    case CheckOperation::kUndo:
      return UndoFiles(sdk, settings, files, items);
    case CheckOperation::kCheckin:
      return CheckinFiles(sdk, settings, files, items);
  }
  return Outcome::Internal("unknown operation");
}

Outcome CallForProject(IQORVSDK* sdk, CheckOperation operation, const CheckSettings& settings,
                       const ItemTarget& project, std::vector<OperationItem>* items) {
  SharedArguments shared(settings);
  qorvsdk::Bstr path(project.path), local(project.local);
  qorvsdk::OperationStatus& status = shared.status;
  switch (operation) {
    case CheckOperation::kCheckout:
      return Finish(
          "CheckoutProject",
          sdk->CheckoutProject(path.get(), local.get(), shared.comment.get(),
                               VariantBool(settings.no_copy), shared.recursive,
                               Enum_WritableFileHandlingAsk, settings.eol, settings.file_time,
                               &status.canceled, status.description.Receive(),
                               shared.results.Receive(), &status.value),
          shared, items);
    case CheckOperation::kUndo:
      return Finish("UndoProjectCheckout",
                    sdk->UndoProjectCheckout(
                        path.get(), local.get(), shared.recursive, settings.eol, settings.file_time,
                        settings.local, Enum_UndoCheckOutChangedFileHandlingAsk, shared.read_only,
                        &status.canceled, status.description.Receive(), shared.results.Receive(),
                        &status.value),
                    shared, items);
    case CheckOperation::kCheckin:
      return Finish(
          "CheckInProject",
          sdk->CheckInProject(
              path.get(), local.get(), shared.comment.get(), shared.recursive,
              VariantBool(settings.keep), VariantBool(settings.remove_local), settings.eol,
              settings.file_time, Enum_CheckinUnchangedFileHandlingAsk, shared.read_only,
              shared.merge_tool.get(), shared.merge_args.get(), &status.canceled,
              status.description.Receive(), shared.results.Receive(), &status.value),
          shared, items);
  }
  return Outcome::Internal("unknown operation");
}

}  // namespace qorv::cli
