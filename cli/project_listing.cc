#include "cli/project_listing.h"

#include <algorithm>

#include "cli/sdk_call.h"
#include "platform/com/ascii_case.h"
#include "qorvsdk/collection.h"

namespace qorv::cli {
namespace {

bool NameLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return AsciiLower(x) < AsciiLower(y); });
}

void SortNames(std::vector<std::string>* names) {
  std::stable_sort(names->begin(), names->end(), NameLess);
}

// A call that succeeded but whose collection could not be read is a fault of
// the SDK, not of the server.
Outcome CollectionOutcome(const char* method, HRESULT read) {
  return FAILED(read) ? Outcome::FailedCall(method, read) : Outcome::Success();
}

}  // namespace

Outcome ReadSubProjects(IQORVSDK* sdk, const std::string& project,
                        std::vector<std::string>* names) {
  qorvsdk::Bstr path(project);
  qorvsdk::ComPtr<IQORVSubProjectsFromParentSet> set;
  qorvsdk::OperationStatus status;
  const HRESULT hr = sdk->GetSubProjectsFromParent(path.get(), set.Receive(), &status.canceled,
                                                   status.description.Receive(), &status.value);
  Outcome outcome = CallOutcome("GetSubProjectsFromParent", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  outcome = CollectionOutcome(
      "GetSubProjectsFromParent",
      qorvsdk::ForEachElement<IQORVSubProjectsFromParent>(
          set.get(), IID_IQORVSubProjectsFromParent, [&](IQORVSubProjectsFromParent* item) {
            qorvsdk::Bstr name;
            item->get_SubProjectName(name.Receive());
            names->push_back(name.Utf8());
          }));
  SortNames(names);
  return outcome;
}

Outcome ReadFileNames(IQORVSDK* sdk, const std::string& project, std::vector<std::string>* names) {
  qorvsdk::Bstr path(project);
  qorvsdk::ComPtr<IQORVFilesByProjectSet> set;
  qorvsdk::OperationStatus status;
  const HRESULT hr = sdk->GetFilesByProject(path.get(), set.Receive(), &status.canceled,
                                            status.description.Receive(), &status.value);
  Outcome outcome = CallOutcome("GetFilesByProject", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  outcome = CollectionOutcome(
      "GetFilesByProject", qorvsdk::ForEachElement<IQORVFilesByProject>(
                               set.get(), IID_IQORVFilesByProject, [&](IQORVFilesByProject* item) {
                                 qorvsdk::Bstr name;
                                 item->get_FileName(name.Receive());
                                 names->push_back(name.Utf8());
                               }));
  SortNames(names);
  return outcome;
}

Outcome ReadFileList(IQORVSDK* sdk, const std::string& project, std::vector<FileEntry>* files) {
  qorvsdk::Bstr path(project);
  qorvsdk::ComPtr<IQORVFileListSet> set;
  qorvsdk::OperationStatus status;
  const HRESULT hr = sdk->GetFileListFromProject(path.get(), set.Receive(), &status.canceled,
                                                 status.description.Receive(), &status.value);
  Outcome outcome = CallOutcome("GetFileListFromProject", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  outcome = CollectionOutcome("GetFileListFromProject",
                              qorvsdk::ForEachElement<IQORVFileList>(
                                  set.get(), IID_IQORVFileList, [&](IQORVFileList* item) {
                                    FileEntry entry;
                                    qorvsdk::Bstr name, user;
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
  std::stable_sort(files->begin(), files->end(),
                   [](const FileEntry& a, const FileEntry& b) { return NameLess(a.name, b.name); });
  return outcome;
}

}  // namespace qorv::cli
