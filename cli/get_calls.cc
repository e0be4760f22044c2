#include "cli/get_calls.h"

#include "cli/path_arguments.h"
#include "cli/sdk_call.h"

namespace qorv::cli {
namespace {

// The arguments every get shares, in the SDK's forms.
struct SharedArguments {
  explicit SharedArguments(const GetSettings& settings)
      : make_writable(settings.make_writable ? VARIANT_TRUE : VARIANT_FALSE),
        recursive(settings.recursive ? VARIANT_TRUE : VARIANT_FALSE),
        merge_tool(settings.merge_tool),
        merge_args(settings.merge_args) {}

  VARIANT_BOOL make_writable;
  VARIANT_BOOL recursive;
  qorvsdk::Bstr merge_tool;
  qorvsdk::Bstr merge_args;
};

constexpr Enum_WritableFileHandling kAsk = Enum_WritableFileHandlingAsk;

constexpr ItemSetKind<IQORVLatestFileSet, IQORVLatestFile> kLatestFiles = {
    CLSID_QORVLatestFileSet,
    IID_IQORVLatestFileSet,
    "QORVLatestFileSet",
    CLSID_QORVLatestFile,
    IID_IQORVLatestFile,
    "QORVLatestFile",
    &IQORVLatestFile::put_FileToGet,
    &IQORVLatestFile::put_LocalFileName,
};

constexpr ItemSetKind<IQORVLatestProjectSet, IQORVLatestProject> kLatestProjects = {
    CLSID_QORVLatestProjectSet,
    IID_IQORVLatestProjectSet,
    "QORVLatestProjectSet",
    CLSID_QORVLatestProject,
    IID_IQORVLatestProject,
    "QORVLatestProject",
    &IQORVLatestProject::put_ProjectToGet,
    &IQORVLatestProject::put_LocalFolder,
};

}  // namespace

Outcome CallGetLatestFiles(IQORVSDK* sdk, const GetSettings& settings,
                           const std::vector<ItemTarget>& files,
                           std::vector<OperationItem>* items) {
  qorvsdk::ComPtr<IQORVLatestFileSet> set;
  if (Outcome built = BuildItemSet(kLatestFiles, files, &set); !built.ok()) return built;
  SharedArguments shared(settings);
  qorvsdk::OperationStatus status;
  qorvsdk::ComPtr<IQORVOperationResultSet> results;
  const HRESULT hr =
      sdk->GetLatestFiles(set.get(), shared.make_writable, kAsk, settings.eol, settings.file_time,
                          shared.merge_tool.get(), shared.merge_args.get(), &status.canceled,
                          status.description.Receive(), results.Receive(), &status.value);
  return ReadOperationItems(CallOutcome("GetLatestFiles", Step::kOperation, hr, status),
                            results.get(), items);
}

Outcome CallGetLatestProjects(IQORVSDK* sdk, const GetSettings& settings,
                              const std::vector<ItemTarget>& projects,
                              std::vector<OperationItem>* items) {
  SharedArguments shared(settings);
  qorvsdk::OperationStatus status;
  qorvsdk::ComPtr<IQORVOperationResultSet> results;
  if (projects.size() == 1) {
    qorvsdk::Bstr path(projects.front().path), local(projects.front().local);
    const HRESULT hr = sdk->GetLatestProject(
        path.get(), local.get(), shared.recursive, shared.make_writable, kAsk, settings.eol,
        settings.file_time, shared.merge_tool.get(), shared.merge_args.get(), &status.canceled,
        status.description.Receive(), results.Receive(), &status.value);
    return ReadOperationItems(CallOutcome("GetLatestProject", Step::kOperation, hr, status),
                              results.get(), items);
  }
  qorvsdk::ComPtr<IQORVLatestProjectSet> set;
  if (Outcome built = BuildItemSet(kLatestProjects, projects, &set); !built.ok()) return built;
  const HRESULT hr = sdk->GetLatestProjects(
      set.get(), shared.recursive, shared.make_writable, kAsk, settings.eol, settings.file_time,
      shared.merge_tool.get(), shared.merge_args.get(), &status.canceled,
      status.description.Receive(), results.Receive(), &status.value);
  return ReadOperationItems(CallOutcome("GetLatestProjects", Step::kOperation, hr, status),
                            results.get(), items);
}

Outcome CallGetDatedProject(IQORVSDK* sdk, const GetSettings& settings, const ItemTarget& project,
                            std::vector<OperationItem>* items) {
  SharedArguments shared(settings);
  qorvsdk::OperationStatus status;
  qorvsdk::ComPtr<IQORVOperationResultSet> results;
  qorvsdk::Bstr path(project.path), local(project.local);
  if (settings.mode == GetMode::kLabel) {
    qorvsdk::Bstr label(settings.label);
    const HRESULT hr = sdk->GetProjectByLabel(
        path.get(), local.get(), label.get(), shared.recursive, shared.make_writable, kAsk,
        settings.eol, settings.file_time, shared.merge_tool.get(), shared.merge_args.get(),
        &status.canceled, status.description.Receive(), results.Receive(), &status.value);
    return ReadOperationItems(CallOutcome("GetProjectByLabel", Step::kOperation, hr, status),
                              results.get(), items);
  }
  const HRESULT hr = sdk->GetProjectByVersion(
      path.get(), local.get(), settings.version, shared.recursive, shared.make_writable, kAsk,
      settings.eol, settings.file_time, shared.merge_tool.get(), shared.merge_args.get(),
      &status.canceled, status.description.Receive(), results.Receive(), &status.value);
  return ReadOperationItems(CallOutcome("GetProjectByVersion", Step::kOperation, hr, status),
                            results.get(), items);
}

Outcome CallGetOldVersionFile(IQORVSDK* sdk, const GetSettings& settings, const ItemTarget& file,
                              std::vector<OperationItem>* items) {
  qorvsdk::ComPtr<IQORVOperationResult> result;
  if (Outcome created = CreateSdkObject(CLSID_QORVOperationResult, IID_IQORVOperationResult,
                                        "QORVOperationResult", &result);
      !created.ok()) {
    return created;
  }
  SharedArguments shared(settings);
  qorvsdk::OperationStatus status;
  qorvsdk::Bstr project(ParentPath(file.path)), name(LeafName(file.path)), local(file.local);
  const HRESULT hr = sdk->GetOldVersionFile(
      project.get(), name.get(), settings.version, local.get(), shared.make_writable, kAsk,
      settings.eol, settings.file_time, shared.merge_tool.get(), shared.merge_args.get(),
      &status.canceled, status.description.Receive(), result.get(), &status.value);
  Outcome outcome = CallOutcome("GetOldVersionFile", Step::kOperation, hr, status);
  if (SUCCEEDED(hr)) items->push_back(ReadOperationItem(result.get()));
  return outcome;
}

}  // namespace qorv::cli
