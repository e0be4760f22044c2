// The query methods: each converts its arguments, runs its query and writes
// the out-parameters and collection (method_call.h).
#include "ops/cache_queries.h"
#include "ops/file_comparison.h"
#include "ops/plain_queries.h"
#include "sdk/method_call.h"
#include "sdk/qor_sdk.h"
#include "sdk/query_records.h"

namespace qorv::sdk {

HRESULT CQorSDK::IsFileSameAsOnServer(BSTR LocalFile, BSTR RemoteFile, Enum_EOL EOL, LONG Version,
                                      VARIANT_BOOL* IsSameFile, VARIANT_BOOL* Canceled,
                                      BSTR* ResultDescription, LONG* ResultValue) {
  bool same = false;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::IsFileSameAsOnServer(Context(), InText(LocalFile), InText(RemoteFile), EOL, Version,
                                     status, &same);
  });
  WriteBool(IsSameFile, same);
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::GetProjectGeneralInfo(BSTR ProjectName, LONG* SubProjectsnotDeleted,
                                       LONG* SubProjectsDeleted, LONG* FilesNotDeleted,
                                       LONG* FilesDeleted, LONG* RemoteVersion,
                                       DATE* RemoteDateTime, BSTR* Comment, VARIANT_BOOL* Canceled,
                                       BSTR* ResultDescription, LONG* ResultValue) {
  std::optional<ProjectGeneralInfo> info;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetProjectGeneralInfo(Context(), InText(ProjectName), status, &info);
  });
  if (info) {
    WriteLong(SubProjectsnotDeleted, info->sub_projects_not_deleted);
    WriteLong(SubProjectsDeleted, info->sub_projects_deleted);
    WriteLong(FilesNotDeleted, info->files_not_deleted);
    WriteLong(FilesDeleted, info->files_deleted);
    WriteLong(RemoteVersion, info->version);
  }
  WriteDate(RemoteDateTime, info ? info->date : 0.0);
  WriteText(Comment, info ? std::string_view(info->comment) : std::string_view());
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::GetFileGeneralInfo(BSTR FileName, BSTR* FileType, LONG* RemoteVersion,
                                    DATE* RemoteDateTime, LONG* RemoteSize, BSTR* Comment,
                                    VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                    LONG* ResultValue) {
  std::optional<FileGeneralInfo> info;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetFileGeneralInfo(Context(), InText(FileName), status, &info);
  });
  if (info) {
    WriteLong(RemoteVersion, info->version);
    WriteLong(RemoteSize, info->size);
  }
  WriteText(FileType, info ? std::string_view(info->file_type) : std::string_view());
  WriteDate(RemoteDateTime, info ? info->date : 0.0);
  WriteText(Comment, info ? std::string_view(info->comment) : std::string_view());
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::GetFileCountInProject(BSTR ProjectName, LONG* FileCount, VARIANT_BOOL* Canceled,
                                       BSTR* ResultDescription, LONG* ResultValue) {
  std::optional<int32_t> count;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetFileCountInProject(Context(), InText(ProjectName), status, &count);
  });
  WriteLong(FileCount, count);
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::IsProjectExistingOnServer(BSTR ProjectName, VARIANT_BOOL* IsExisting,
                                           VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                           LONG* ResultValue) {
  bool exists = false;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::IsProjectExistingOnServer(Context(), InText(ProjectName), status, &exists);
  });
  WriteBool(IsExisting, exists);
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return S_OK;
}

HRESULT CQorSDK::GetDatabaseAlias(IQORVDatabaseAliasSet** DatabaseAliasSet, VARIANT_BOOL* Canceled,
                                  BSTR* ResultDescription, LONG* ResultValue) {
  std::vector<std::string> aliases;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetDatabaseAlias(Context(), status, &aliases);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOut(DatabaseAliasSet, aliases);
}

HRESULT CQorSDK::GetProjectHistory(BSTR ProjectName, VARIANT_BOOL IncludeFileHistory,
                                   VARIANT_BOOL Recursive,
                                   IQORVProjectHistorySet** ProjectHistorySet, BSTR UserName,
                                   DATE DateFrom, DATE DateTo, VARIANT_BOOL* Canceled,
                                   BSTR* ResultDescription, LONG* ResultValue) {
  std::vector<ProjectHistoryEntry> entries;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetProjectHistory(Context(), InText(ProjectName), InBool(IncludeFileHistory),
                                  InBool(Recursive), {InText(UserName), DateFrom, DateTo}, status,
                                  &entries);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOut(ProjectHistorySet, entries);
}

HRESULT CQorSDK::GetFileHistory(BSTR FileName, VARIANT_BOOL* Pinned,
                                IQORVFileHistorySet** FileHistorySet, BSTR UserName, DATE DateFrom,
                                DATE DateTo, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                LONG* ResultValue) {
  FileHistoryCommand::Reply history;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetFileHistory(Context(), InText(FileName), {InText(UserName), DateFrom, DateTo},
                               status, &history);
  });
  WriteBool(Pinned, history.pinned);
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOut(FileHistorySet, history.entries);
}

HRESULT CQorSDK::GetDeletedItemsInProject(BSTR ProjectName, IQORVDeletedItemSet** DeletedItemSet,
                                          VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                          LONG* ResultValue) {
  std::vector<DeletedItem> items;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetDeletedItemsInProject(Context(), InText(ProjectName), status, &items);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOut(DeletedItemSet, items);
}

HRESULT CQorSDK::GetFileLinks(BSTR FileName, IQORVFileLinkSet** FileLinkSet, VARIANT_BOOL* Canceled,
                              BSTR* ResultDescription, LONG* ResultValue) {
  std::vector<std::string> links;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetFileLinks(Context(), InText(FileName), status, &links);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOut(FileLinkSet, links);
}

HRESULT CQorSDK::GetSubProjectsFromParent(BSTR ParentProject,
                                          IQORVSubProjectsFromParentSet** SubProjectsSet,
                                          VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                          LONG* ResultValue) {
  std::vector<std::string> names;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetSubProjectsFromParent(Context(), InText(ParentProject), status, &names);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOut(SubProjectsSet, names);
}

HRESULT CQorSDK::GetFilesByProject(BSTR ProjectName, IQORVFilesByProjectSet** FilesByProjectSet,
                                   VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                   LONG* ResultValue) {
  std::vector<std::string> names;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetFilesByProject(Context(), InText(ProjectName), status, &names);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOut(FilesByProjectSet, names);
}

HRESULT CQorSDK::GetFileListFromProject(BSTR ProjectName, IQORVFileListSet** FileListSet,
                                        VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                        LONG* ResultValue) {
  std::vector<ops::FileListEntry> files;
  const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
    return ops::GetFileListFromProject(Context(), InText(ProjectName), status, &files);
  });
  WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
  return HandOut(FileListSet, files);
}

}  // namespace qorv::sdk
