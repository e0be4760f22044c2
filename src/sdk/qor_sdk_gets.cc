// The get methods: each converts its arguments, runs its get operation and
// writes the out-parameters and the item results (method_call.h).
#include "ops/get_operations.h"
#include "sdk/method_call.h"
#include "sdk/qor_sdk.h"

namespace qorv::sdk {
namespace {

ops::GetOptions GetOptionsOf(VARIANT_BOOL make_writable, Enum_WritableFileHandling handling,
                             Enum_EOL eol, Enum_SetLocalFileTime file_time, BSTR merge_tool,
                             BSTR merge_arguments) {
  ops::GetOptions options;
  options.make_writable = InBool(make_writable);
  options.writable_handling = handling;
  options.eol = eol;
  options.set_local_file_time = file_time;
  options.merge_tool = InText(merge_tool);
  options.merge_arguments = InText(merge_arguments);
  return options;
}

}  // namespace

HRESULT CQorSDK::GetLatestFiles(IQORVLatestFileSet* LatestFileSet, VARIANT_BOOL MakeWritable,
                                Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                                BSTR ThreeWayMergeArgs, VARIANT_BOOL* Canceled,
                                BSTR* ResultDescription,
                                IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    std::vector<ops::WorkingFile> files;
    for (const LatestFileRecord& entry : InSet(LatestFileSet)) {
      files.push_back({entry.file_to_get, entry.local_file_name});
    }
    return ops::GetLatestFiles(Context(), files,
                               GetOptionsOf(MakeWritable, WritableFileHandling, EOL,
                                            SetLocalFileTime, MergeTool, ThreeWayMergeArgs),
                               status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::GetLatestProject(BSTR ProjectToGet, BSTR LocalFolder, VARIANT_BOOL Recursive,
                                  VARIANT_BOOL MakeWritable,
                                  Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                  Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                                  BSTR ThreeWayMergeArgs, VARIANT_BOOL* Canceled,
                                  BSTR* ResultDescription,
                                  IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetLatestProject(Context(), InText(ProjectToGet), InText(LocalFolder),
                                 InBool(Recursive),
                                 GetOptionsOf(MakeWritable, WritableFileHandling, EOL,
                                              SetLocalFileTime, MergeTool, ThreeWayMergeArgs),
                                 status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::GetLatestProjects(IQORVLatestProjectSet* LatestProjectSet, VARIANT_BOOL Recursive,
                                   VARIANT_BOOL MakeWritable,
                                   Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                   Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                                   BSTR ThreeWayMergeArgs, VARIANT_BOOL* Canceled,
                                   BSTR* ResultDescription,
                                   IQORVOperationResultSet** OperationResultSet,
                                   LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    std::vector<ops::ProjectToGet> projects;
    for (const LatestProjectRecord& entry : InSet(LatestProjectSet)) {
      projects.push_back({entry.project_to_get, entry.local_folder});
    }
    return ops::GetLatestProjects(Context(), projects, InBool(Recursive),
                                  GetOptionsOf(MakeWritable, WritableFileHandling, EOL,
                                               SetLocalFileTime, MergeTool, ThreeWayMergeArgs),
                                  status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::GetProjectByLabel(BSTR ProjectToGet, BSTR LocalDirectory, BSTR LabelName,
                                   VARIANT_BOOL Recursive, VARIANT_BOOL MakeWritable,
                                   Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                   Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                                   BSTR TwoWayMergeArgs, VARIANT_BOOL* Canceled,
                                   BSTR* ResultDescription,
                                   IQORVOperationResultSet** OperationResultSet,
                                   LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetProjectByLabel(Context(), InText(ProjectToGet), InText(LocalDirectory),
                                  InText(LabelName), InBool(Recursive),
                                  GetOptionsOf(MakeWritable, WritableFileHandling, EOL,
                                               SetLocalFileTime, MergeTool, TwoWayMergeArgs),
                                  status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::GetProjectByVersion(BSTR ProjectToGet, BSTR LocalDirectory, LONG VersionNumber,
                                     VARIANT_BOOL Recursive, VARIANT_BOOL MakeWritable,
                                     Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                     Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                                     BSTR TwoWayMergeArgs, VARIANT_BOOL* Canceled,
                                     BSTR* ResultDescription,
                                     IQORVOperationResultSet** OperationResultSet,
                                     LONG* ResultValue) {
  std::vector<ops::ItemResult> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetProjectByVersion(Context(), InText(ProjectToGet), InText(LocalDirectory),
                                    VersionNumber, InBool(Recursive),
                                    GetOptionsOf(MakeWritable, WritableFileHandling, EOL,
                                                 SetLocalFileTime, MergeTool, TwoWayMergeArgs),
                                    status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOutResults(OperationResultSet, items);
}

HRESULT CQorSDK::GetOldVersionFile(BSTR ProjectName, BSTR FileName, LONG Version,
                                   BSTR LocalFileName, VARIANT_BOOL MakeWritable,
                                   Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                   Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                                   BSTR TwoWayMergeArgs, VARIANT_BOOL* Canceled,
                                   BSTR* ResultDescription, IQORVOperationResult* OperationResult,
                                   LONG* ResultValue) {
  ops::ItemResult item;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetOldVersionFile(Context(), InText(ProjectName), InText(FileName), Version,
                                  InText(LocalFileName),
                                  GetOptionsOf(MakeWritable, WritableFileHandling, EOL,
                                               SetLocalFileTime, MergeTool, TwoWayMergeArgs),
                                  status, &item);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return WriteSingleResult(OperationResult, outcome, item);
}

}  // namespace qorv::sdk
