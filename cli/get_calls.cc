#include "cli/get_calls.h"

#include "cli/collection_reader.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"
#include "qorvsdk/activation.h"

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
  Bstr merge_tool;
  Bstr merge_args;
};

constexpr Enum_WritableFileHandling kAsk = Enum_WritableFileHandlingAsk;

GetItemResult ReadItem(IQORVOperationResult* element) {
  GetItemResult item;
  LONG result = 0;
  Bstr name, description;
  element->get_OperationResult(&result);
  element->get_ItemFullName(name.Receive());
  element->get_Description(description.Receive());
  item.item = name.Utf8();
  item.result = result;
  item.description = description.Utf8();
  return item;
}

// Appends the set's items; a set that cannot be read fails the command
// only when the call itself succeeded.
Outcome ReadItems(Outcome outcome, IQORVOperationResultSet* set,
                  std::vector<GetItemResult>* items) {
  if (FAILED(outcome.hr) || set == nullptr) return outcome;
  const HRESULT hr = ForEachElement<IQORVOperationResult>(
      set, IID_IQORVOperationResult,
      [items](IQORVOperationResult* element) { items->push_back(ReadItem(element)); });
  if (FAILED(hr) && outcome.ok()) return Outcome::FailedCall("OperationResultSet", hr);
  return outcome;
}

template <class Interface>
Outcome Create(const CLSID& clsid, const IID& iid, const char* name, ComPtr<Interface>* object) {
  const HRESULT hr =
      QorvCoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object->ReceiveVoid());
  return FAILED(hr) ? Outcome::FailedCall(name, hr) : Outcome::Success();
}

Outcome BuildFileSet(const std::vector<GetTarget>& files, ComPtr<IQORVLatestFileSet>* set) {
  Outcome created =
      Create(CLSID_QORVLatestFileSet, IID_IQORVLatestFileSet, "QORVLatestFileSet", set);
  for (const GetTarget& file : files) {
    if (!created.ok()) return created;
    ComPtr<IQORVLatestFile> entry;
    created = Create(CLSID_QORVLatestFile, IID_IQORVLatestFile, "QORVLatestFile", &entry);
    if (!created.ok()) return created;
    Bstr path(file.path), local(file.local);
    entry->put_FileToGet(path.get());
    entry->put_LocalFileName(local.get());
    VARIANT_BOOL added = VARIANT_FALSE;
    (*set)->Add(entry.get(), &added);
  }
  return created;
}

Outcome BuildProjectSet(const std::vector<GetTarget>& projects,
                        ComPtr<IQORVLatestProjectSet>* set) {
  Outcome created =
      Create(CLSID_QORVLatestProjectSet, IID_IQORVLatestProjectSet, "QORVLatestProjectSet", set);
  for (const GetTarget& project : projects) {
    if (!created.ok()) return created;
    ComPtr<IQORVLatestProject> entry;
    created = Create(CLSID_QORVLatestProject, IID_IQORVLatestProject, "QORVLatestProject", &entry);
    if (!created.ok()) return created;
    Bstr path(project.path), local(project.local);
    entry->put_ProjectToGet(path.get());
    entry->put_LocalFolder(local.get());
    VARIANT_BOOL added = VARIANT_FALSE;
    (*set)->Add(entry.get(), &added);
  }
  return created;
}

}  // namespace

Outcome CallGetLatestFiles(IQORVSDK* sdk, const GetSettings& settings,
                           const std::vector<GetTarget>& files, std::vector<GetItemResult>* items) {
  ComPtr<IQORVLatestFileSet> set;
  if (Outcome built = BuildFileSet(files, &set); !built.ok()) return built;
  SharedArguments shared(settings);
  CallStatus status;
  ComPtr<IQORVOperationResultSet> results;
  const HRESULT hr =
      sdk->GetLatestFiles(set.get(), shared.make_writable, kAsk, settings.eol, settings.file_time,
                          shared.merge_tool.get(), shared.merge_args.get(), &status.canceled,
                          status.description.Receive(), results.Receive(), &status.result);
  return ReadItems(CallOutcome("GetLatestFiles", Step::kOperation, hr, status), results.get(),
                   items);
}

Outcome CallGetLatestProjects(IQORVSDK* sdk, const GetSettings& settings,
                              const std::vector<GetTarget>& projects,
                              std::vector<GetItemResult>* items) {
  SharedArguments shared(settings);
  CallStatus status;
  ComPtr<IQORVOperationResultSet> results;
  if (projects.size() == 1) {
    Bstr path(projects.front().path), local(projects.front().local);
    const HRESULT hr = sdk->GetLatestProject(
        path.get(), local.get(), shared.recursive, shared.make_writable, kAsk, settings.eol,
        settings.file_time, shared.merge_tool.get(), shared.merge_args.get(), &status.canceled,
        status.description.Receive(), results.Receive(), &status.result);
    return ReadItems(CallOutcome("GetLatestProject", Step::kOperation, hr, status), results.get(),
                     items);
  }
  ComPtr<IQORVLatestProjectSet> set;
  if (Outcome built = BuildProjectSet(projects, &set); !built.ok()) return built;
  const HRESULT hr = sdk->GetLatestProjects(
      set.get(), shared.recursive, shared.make_writable, kAsk, settings.eol, settings.file_time,
      shared.merge_tool.get(), shared.merge_args.get(), &status.canceled,
      status.description.Receive(), results.Receive(), &status.result);
  return ReadItems(CallOutcome("GetLatestProjects", Step::kOperation, hr, status), results.get(),
                   items);
}

Outcome CallGetDatedProject(IQORVSDK* sdk, const GetSettings& settings, const GetTarget& project,
                            std::vector<GetItemResult>* items) {
  SharedArguments shared(settings);
  CallStatus status;
  ComPtr<IQORVOperationResultSet> results;
  Bstr path(project.path), local(project.local);
  if (settings.mode == GetMode::kLabel) {
    Bstr label(settings.label);
    const HRESULT hr = sdk->GetProjectByLabel(
        path.get(), local.get(), label.get(), shared.recursive, shared.make_writable, kAsk,
        settings.eol, settings.file_time, shared.merge_tool.get(), shared.merge_args.get(),
        &status.canceled, status.description.Receive(), results.Receive(), &status.result);
    return ReadItems(CallOutcome("GetProjectByLabel", Step::kOperation, hr, status), results.get(),
                     items);
  }
  const HRESULT hr = sdk->GetProjectByVersion(
      path.get(), local.get(), settings.version, shared.recursive, shared.make_writable, kAsk,
      settings.eol, settings.file_time, shared.merge_tool.get(), shared.merge_args.get(),
      &status.canceled, status.description.Receive(), results.Receive(), &status.result);
  return ReadItems(CallOutcome("GetProjectByVersion", Step::kOperation, hr, status), results.get(),
                   items);
}

Outcome CallGetOldVersionFile(IQORVSDK* sdk, const GetSettings& settings, const GetTarget& file,
                              std::vector<GetItemResult>* items) {
  ComPtr<IQORVOperationResult> result;
  if (Outcome created = Create(CLSID_QORVOperationResult, IID_IQORVOperationResult,
                               "QORVOperationResult", &result);
      !created.ok()) {
    return created;
  }
  SharedArguments shared(settings);
  CallStatus status;
  Bstr project(ParentPath(file.path)), name(LeafName(file.path)), local(file.local);
  const HRESULT hr = sdk->GetOldVersionFile(
      project.get(), name.get(), settings.version, local.get(), shared.make_writable, kAsk,
      settings.eol, settings.file_time, shared.merge_tool.get(), shared.merge_args.get(),
      &status.canceled, status.description.Receive(), result.get(), &status.result);
  Outcome outcome = CallOutcome("GetOldVersionFile", Step::kOperation, hr, status);
  if (SUCCEEDED(hr)) items->push_back(ReadItem(result.get()));
  return outcome;
}

}  // namespace qorv::cli
