#include "cli/project_listing.h"

#include "cli/collection_reader.h"
#include "cli/sdk_call.h"

namespace qorv::cli {
namespace {

// A call that succeeded but whose collection could not be read is a fault of
// the SDK, not of the server.
Outcome CollectionOutcome(const char* method, HRESULT read) {
  return FAILED(read) ? Outcome::FailedCall(method, read) : Outcome::Success();
}

}  // namespace

Outcome ReadSubProjects(IQORVSDK* sdk, const std::string& project,
                        std::vector<std::string>* names) {
  Bstr path(project);
  ComPtr<IQORVSubProjectsFromParentSet> set;
  CallStatus status;
  const HRESULT hr = sdk->GetSubProjectsFromParent(path.get(), set.Receive(), &status.canceled,
                                                   status.description.Receive(), &status.result);
  Outcome outcome = CallOutcome("GetSubProjectsFromParent", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  return CollectionOutcome(
      "GetSubProjectsFromParent",
      ForEachElement<IQORVSubProjectsFromParent>(set.get(), IID_IQORVSubProjectsFromParent,
                                                 [&](IQORVSubProjectsFromParent* item) {
                                                   Bstr name;
                                                   item->get_SubProjectName(name.Receive());
                                                   names->push_back(name.Utf8());
                                                 }));
}

Outcome ReadFileNames(IQORVSDK* sdk, const std::string& project, std::vector<std::string>* names) {
  Bstr path(project);
  ComPtr<IQORVFilesByProjectSet> set;
  CallStatus status;
  const HRESULT hr = sdk->GetFilesByProject(path.get(), set.Receive(), &status.canceled,
                                            status.description.Receive(), &status.result);
  Outcome outcome = CallOutcome("GetFilesByProject", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  return CollectionOutcome("GetFilesByProject",
                           ForEachElement<IQORVFilesByProject>(set.get(), IID_IQORVFilesByProject,
                                                               [&](IQORVFilesByProject* item) {
                                                                 Bstr name;
                                                                 item->get_FileName(name.Receive());
                                                                 names->push_back(name.Utf8());
                                                               }));
}

Outcome ReadFileList(IQORVSDK* sdk, const std::string& project, std::vector<FileEntry>* files) {
  Bstr path(project);
  ComPtr<IQORVFileListSet> set;
  CallStatus status;
  const HRESULT hr = sdk->GetFileListFromProject(path.get(), set.Receive(), &status.canceled,
                                                 status.description.Receive(), &status.result);
  Outcome outcome = CallOutcome("GetFileListFromProject", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  return CollectionOutcome(
      "GetFileListFromProject",
      ForEachElement<IQORVFileList>(set.get(), IID_IQORVFileList, [&](IQORVFileList* item) {
        FileEntry entry;
        Bstr name, user;
        Enum_FileStatus file_status = Enum_FileStatusNormal;
        item->get_FileName(name.Receive());
        item->get_LatestVersion(&entry.latest);
        item->get_UserName(user.Receive());
        item->get_FileStatus(&file_status);
        item->get_VersionNumber(&entry.version);
        entry.name = name.Utf8();
        entry.user = user.Utf8();
        entry.status = file_status;
        files->push_back(std::move(entry));
      }));
}

}  // namespace qorv::cli
