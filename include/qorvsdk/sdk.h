// The SDK object's interfaces: IQORVSDK (dual, 57 methods) and the outgoing
// event interface _IQorSDKEvents.
//
// Conventions of every IQORVSDK method:
// - It returns S_OK; the outcome is in ResultValue (0 = success) and
//   ResultDescription, never in the HRESULT.
// - Out-parameters are pointers the method writes: BSTR* receives a new BSTR
//   the caller frees (an empty text, never null), VARIANT_BOOL* receives
//   VARIANT_TRUE or VARIANT_FALSE, and IQORV...Set** receives a new collection
//   with one reference for the caller (empty on failure, never null). LONG*
//   and enumeration out-parameters other than ResultValue are written only
//   when the operation has a value for them, so on failure they keep what the
//   caller put there.
// - GetOldVersionFile and DeleteProject take an IQORVOperationResult* that the
//   caller created itself (normally from CLSID_QORVOperationResult): the
//   method stores its single result into that object's OperationResult,
//   Description and ItemFullName. It is an in-pointer, not a new object; a
//   null pointer is left alone.
// - Through IDispatch the last out-parameter (ResultValue where there is one)
//   is the return value when the caller does not pass it.
#ifndef QORVSDK_SDK_H_
#define QORVSDK_SDK_H_

#include "qorvsdk/comtypes.h"
#include "qorvsdk/enums.h"
#include "qorvsdk/guids.h"
#include "qorvsdk/items.h"

#ifdef __cplusplus

struct IQORVSDK : IDispatch {
  // DISPID 1
  virtual HRESULT ConnectToServer(BSTR ServerIP, LONG ServerPort, VARIANT_BOOL* ConnectedToServer,
                                  Enum_EncryptType* EncryptType, VARIANT_BOOL* Canceled,
                                  BSTR* ResultDescription, Enum_ProxyType ProxyType, BSTR ProxyIP,
                                  LONG ProxyPort, BSTR UserName, BSTR Password,
                                  LONG* ResultValue) = 0;
  // DISPID 2
  virtual HRESULT Login(BSTR UserName, BSTR Password, BSTR DatabaseName,
                        IQORVKeyInfoSet* KeyInfoSet, VARIANT_BOOL* MustChangePassword,
                        LONG* ExpireDays, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                        LONG* ResultValue) = 0;
  // DISPID 3
  virtual HRESULT CreateProject(BSTR ProjectName, BSTR ProjectToCreate, BSTR Comment,
                                BSTR* ResultDescription, LONG* ResultValue) = 0;
  // DISPID 4
  virtual HRESULT AddFolder(BSTR ProjectName, BSTR LocalFolder, BSTR Comment,
                            VARIANT_BOOL Recursive, VARIANT_BOOL StoreOnlyLatestVersion,
                            VARIANT_BOOL ReadOnlyIfNotCheckedout, Enum_EOL EOL,
                            Enum_FileType FileType, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                            IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) = 0;
  // DISPID 5
  virtual HRESULT GetProjectByLabel(BSTR ProjectToGet, BSTR LocalDirectory, BSTR LabelName,
                                    VARIANT_BOOL Recursive, VARIANT_BOOL MakeWritable,
                                    Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                    Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                                    BSTR TwoWayMergeArgs, VARIANT_BOOL* Canceled,
                                    BSTR* ResultDescription,
                                    IQORVOperationResultSet** OperationResultSet,
                                    LONG* ResultValue) = 0;
  // DISPID 6
  virtual HRESULT GetOldVersionFile(BSTR ProjectName, BSTR FileName, LONG Version,
                                    BSTR LocalFileName, VARIANT_BOOL MakeWritable,
                                    Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                    Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                                    BSTR TwoWayMergeArgs, VARIANT_BOOL* Canceled,
                                    BSTR* ResultDescription, IQORVOperationResult* OperationResult,
                                    LONG* ResultValue) = 0;
  // DISPID 7
  virtual HRESULT GetLatestProject(BSTR ProjectToGet, BSTR LocalFolder, VARIANT_BOOL Recursive,
                                   VARIANT_BOOL MakeWritable,
                                   Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                   Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                                   BSTR ThreeWayMergeArgs, VARIANT_BOOL* Canceled,
                                   BSTR* ResultDescription,
                                   IQORVOperationResultSet** OperationResultSet,
                                   LONG* ResultValue) = 0;
  // DISPID 8
  virtual HRESULT CheckoutProject(BSTR ProjectToCheckout, BSTR LocalDirectory, BSTR Comment,
                                  VARIANT_BOOL DoNotGetLocalCopy, VARIANT_BOOL Recursive,
                                  Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                  Enum_SetLocalFileTime SetLocalFileTime, VARIANT_BOOL* Canceled,
                                  BSTR* ResultDescription,
                                  IQORVOperationResultSet** OperationResultSet,
                                  LONG* ResultValue) = 0;
  // DISPID 9
  virtual HRESULT CheckInProject(BSTR ProjectToCheckin, BSTR LocalDirectory, BSTR Comment,
                                 VARIANT_BOOL Recursive, VARIANT_BOOL KeepCheckout,
                                 VARIANT_BOOL RemoveLocalCopy, Enum_EOL EOL,
                                 Enum_SetLocalFileTime SetLocalFileTime,
                                 Enum_CheckinUnchangedFileHandling CheckinUnchangedFileHandling,
                                 VARIANT_BOOL ReadOnlyIfNotCheckedout, BSTR MergeTool,
                                 BSTR TwoWayMergeArgs, VARIANT_BOOL* Canceled,
                                 BSTR* ResultDescription,
                                 IQORVOperationResultSet** OperationResultSet,
                                 LONG* ResultValue) = 0;
  // DISPID 10
  virtual HRESULT UndoProjectCheckout(
      BSTR ProjectToUndo, BSTR LocalDirectory, VARIANT_BOOL Recursive, Enum_EOL EOL,
      Enum_SetLocalFileTime SetLocalFileTime,
      Enum_UndoCheckOutLocalFileHandling UndoCheckOutLocalFileHandling,
      Enum_UndoCheckOutChangedFileHandling UndoCheckOutChangeFileHandling,
      VARIANT_BOOL ReadOnlyIfNotCheckedout, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
      IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) = 0;
  // DISPID 11
  virtual HRESULT DeleteProject(BSTR ProjectToDelete, VARIANT_BOOL DestoryPermanently,
                                VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                IQORVOperationResult* OperationResult, LONG* ResultValue) = 0;
  // DISPID 12
  virtual HRESULT RenameFile(BSTR ProjectParent, BSTR FileToRename, BSTR NewFileName,
                             BSTR* ResultDescription, LONG* ResultValue) = 0;
  // DISPID 13
  virtual HRESULT RenameProject(BSTR ProjectParent, BSTR ProjectName, BSTR NewProjectName,
                                BSTR* ResultDescription, LONG* ResultValue) = 0;
  // DISPID 14
  virtual HRESULT PinFile(BSTR FileName, LONG Version, BSTR* ResultDescription,
                          LONG* ResultValue) = 0;
  // DISPID 15
  virtual HRESULT UnpinFile(BSTR FileName, BSTR* ResultDescription, LONG* ResultValue) = 0;
  // DISPID 16
  virtual HRESULT IsFileSameAsOnServer(BSTR LocalFile, BSTR RemoteFile, Enum_EOL EOL, LONG Version,
                                       VARIANT_BOOL* IsSameFile, VARIANT_BOOL* Canceled,
                                       BSTR* ResultDescription, LONG* ResultValue) = 0;
  // DISPID 17
  virtual HRESULT ShareProjectFrom(BSTR ProjectShareTo, BSTR ProjectShareFrom,
                                   VARIANT_BOOL BranchAfterShare, VARIANT_BOOL Recursive,
                                   BSTR Comment, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                   LONG* ResultValue) = 0;
  // DISPID 18
  virtual HRESULT LabelItem(BSTR ItemName, BSTR LabelName, BSTR Comment, VARIANT_BOOL* Canceled,
                            BSTR* ResultDescription, LONG* ResultValue) = 0;
  // DISPID 19
  virtual HRESULT Branch(BSTR ItemName, BSTR Comment, VARIANT_BOOL* Canceled,
                         BSTR* ResultDescription, LONG* ResultValue) = 0;
  // DISPID 20
  virtual HRESULT SetPassword(BSTR NewPassword, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                              LONG* ResultValue) = 0;
  // DISPID 21
  virtual HRESULT MoveItem(BSTR ItemToMove, BSTR TargetProject, VARIANT_BOOL* Canceled,
                           BSTR* ResultDescription, LONG* ResultValue) = 0;
  // DISPID 22
  virtual HRESULT GetProjectGeneralInfo(BSTR ProjectName, LONG* SubProjectsnotDeleted,
                                        LONG* SubProjectsDeleted, LONG* FilesNotDeleted,
                                        LONG* FilesDeleted, LONG* RemoteVersion,
                                        DATE* RemoteDateTime, BSTR* Comment, VARIANT_BOOL* Canceled,
                                        BSTR* ResultDescription, LONG* ResultValue) = 0;
  // DISPID 23
  virtual HRESULT GetFileGeneralInfo(BSTR FileName, BSTR* FileType, LONG* RemoteVersion,
                                     DATE* RemoteDateTime, LONG* RemoteSize, BSTR* Comment,
                                     VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                     LONG* ResultValue) = 0;
  // DISPID 24
  virtual HRESULT GetFileCountInProject(BSTR ProjectName, LONG* FileCount, VARIANT_BOOL* Canceled,
                                        BSTR* ResultDescription, LONG* ResultValue) = 0;
  // DISPID 25
  virtual HRESULT IsProjectExistingOnServer(BSTR ProjectName, VARIANT_BOOL* IsExisting,
                                            VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                            LONG* ResultValue) = 0;
  // DISPID 26
  virtual HRESULT RequestCancel() = 0;
  // DISPID 27
  virtual HRESULT GetDatabaseAlias(IQORVDatabaseAliasSet** DatabaseAliasSet, VARIANT_BOOL* Canceled,
                                   BSTR* ResultDescription, LONG* ResultValue) = 0;
  // DISPID 28
  virtual HRESULT AddFiles(IQORVAddFileSet* AddFileSet, VARIANT_BOOL ReadOnlyIfNotCheckedout,
                           VARIANT_BOOL StoreOnlyLatestVersion, Enum_EOL EOL,
                           Enum_AddFileDeletedCopyHandling AddFileDeletedCopyHandling, BSTR Comment,
                           VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                           IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) = 0;
  // DISPID 29
  virtual HRESULT CheckoutFiles(IQORVCheckoutFileSet* CheckoutFileSet, BSTR Comment,
                                VARIANT_BOOL DoNotGetLocalCopy,
                                Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                Enum_SetLocalFileTime SetLocalFileTime, VARIANT_BOOL* Canceled,
                                BSTR* ResultDescription,
                                IQORVOperationResultSet** OperationResultSet,
                                LONG* ResultValue) = 0;
  // DISPID 30
  virtual HRESULT CheckInFiles(IQORVCheckinFileSet* CheckinFileSet, VARIANT_BOOL KeepCheckout,
                               BSTR Comment, Enum_EOL EOL, Enum_SetLocalFileTime SetLocalFileTime,
                               Enum_CheckinUnchangedFileHandling CheckinUnchangedFileHandling,
                               VARIANT_BOOL ReadOnlyIfNotCheckedout, VARIANT_BOOL RemoveLocalCopy,
                               BSTR MergeTool, BSTR TwoWayMergeArgs, VARIANT_BOOL* Canceled,
                               BSTR* ResultDescription,
                               IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) = 0;
  // DISPID 31
  virtual HRESULT GetLatestFiles(IQORVLatestFileSet* LatestFileSet, VARIANT_BOOL MakeWritable,
                                 Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                 Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                                 BSTR ThreeWayMergeArgs, VARIANT_BOOL* Canceled,
                                 BSTR* ResultDescription,
                                 IQORVOperationResultSet** OperationResultSet,
                                 LONG* ResultValue) = 0;
  // DISPID 32
  virtual HRESULT GetLatestProjects(IQORVLatestProjectSet* LatestProjectSet, VARIANT_BOOL Recursive,
                                    VARIANT_BOOL MakeWritable,
                                    Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                    Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                                    BSTR ThreeWayMergeArgs, VARIANT_BOOL* Canceled,
                                    BSTR* ResultDescription,
                                    IQORVOperationResultSet** OperationResultSet,
                                    LONG* ResultValue) = 0;
  // DISPID 33
  virtual HRESULT UndoFilesCheckout(
      IQORVUndoCheckoutFileSet* UndoCheckoutFileSet, Enum_EOL EOL,
      Enum_SetLocalFileTime SetLocalFileTime,
      Enum_UndoCheckOutLocalFileHandling UndoCheckOutLocalFileHandling,
      Enum_UndoCheckOutChangedFileHandling UndoCheckOutChangeFileHandling,
      VARIANT_BOOL ReadOnlyIfNotCheckedout, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
      IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) = 0;
  // DISPID 34
  virtual HRESULT DeleteFiles(IQORVDeleteFileSet* DeleteFileSet, VARIANT_BOOL DestoryPermanently,
                              VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                              IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) = 0;
  // DISPID 35
  virtual HRESULT ShareFilesFrom(BSTR ProjectShareTo, IQORVShareFileSet* ShareFileSet,
                                 VARIANT_BOOL BranchAfterShare, BSTR Comment,
                                 VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                 IQORVOperationResultSet** OperationResultSet,
                                 LONG* ResultValue) = 0;
  // DISPID 36
  virtual HRESULT GetProjectHistory(BSTR ProjectName, VARIANT_BOOL IncludeFileHistory,
                                    VARIANT_BOOL Recursive,
                                    IQORVProjectHistorySet** ProjectHistorySet, BSTR UserName,
                                    DATE DateFrom, DATE DateTo, VARIANT_BOOL* Canceled,
                                    BSTR* ResultDescription, LONG* ResultValue) = 0;
  // DISPID 37
  virtual HRESULT GetFileHistory(BSTR FileName, VARIANT_BOOL* Pinned,
                                 IQORVFileHistorySet** FileHistorySet, BSTR UserName, DATE DateFrom,
                                 DATE DateTo, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                 LONG* ResultValue) = 0;
  // DISPID 38
  virtual HRESULT GetDeletedItemsInProject(BSTR ProjectName, IQORVDeletedItemSet** DeletedItemSet,
                                           VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                           LONG* ResultValue) = 0;
  // DISPID 39
  virtual HRESULT GetFileLinks(BSTR FileName, IQORVFileLinkSet** FileLinkSet,
                               VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                               LONG* ResultValue) = 0;
  // DISPID 40
  virtual HRESULT RecoverItems(IQORVRecoverItemSet* RecoverItemSet, VARIANT_BOOL* Canceled,
                               BSTR* ResultDescription,
                               IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) = 0;
  // DISPID 41
  virtual HRESULT PurgeItems(IQORVPurgeItemSet* PurgeItemSet, VARIANT_BOOL* Canceled,
                             BSTR* ResultDescription, IQORVOperationResultSet** OperationResultSet,
                             LONG* ResultValue) = 0;
  // DISPID 42
  virtual HRESULT SetTempDirectory(BSTR TempDirectory) = 0;
  // DISPID 43
  virtual HRESULT GetPercentDone(LONG* Count) = 0;
  // DISPID 44
  virtual HRESULT GetOperationResultCount(LONG* Count) = 0;
  // DISPID 45
  virtual HRESULT GetOperationResultInfo(LONG lIndex, VARIANT_BOOL* OperateResult,
                                         BSTR* Description, VARIANT_BOOL* Successful) = 0;
  // DISPID 46
  virtual HRESULT GetPromptLeaveOrReplaceWriteableFile(VARIANT_BOOL* ThreeWayMerge,
                                                       BSTR* Information) = 0;
  // DISPID 47
  virtual HRESULT SetPromptLeaveOrReplaceWriteableFile(
      Enum_WritableFileHandling WritableFileHandling,
      VARIANT_BOOL WritableHandlingApplyToAllItems) = 0;
  // DISPID 48
  virtual HRESULT GetPromptCheckinUnchangedFile(BSTR* Information) = 0;
  // DISPID 49
  virtual HRESULT SetPromptCheckinUnchangedFile(
      Enum_CheckinUnchangedFileHandling CheckinUnchangedFileHandling,
      VARIANT_BOOL CheckinUnchangedFileHandlingApplyToAllItems) = 0;
  // DISPID 50
  virtual HRESULT GetPromptUndoCheckoutChangedFile(BSTR* Information) = 0;
  // DISPID 51
  virtual HRESULT SetPromptUndoCheckoutChangedFile(
      Enum_UndoCheckOutChangedFileHandling UndoCheckoutChangedFileHandling,
      VARIANT_BOOL ApplyToUndoCheckoutChangedFileHandling) = 0;
  // DISPID 52
  virtual HRESULT GetPromptRecoverOrPurgeDeletedCopy(BSTR* Information) = 0;
  // DISPID 53
  virtual HRESULT SetPromptRecoverOrPurgeDeletedCopy(
      Enum_AddFileDeletedCopyHandling DeletedCopyHandling, VARIANT_BOOL ApplyToAllItems) = 0;
  // DISPID 54
  virtual HRESULT GetSubProjectsFromParent(BSTR ParentProject,
                                           IQORVSubProjectsFromParentSet** SubProjectsSet,
                                           VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                           LONG* ResultValue) = 0;
  // DISPID 55
  virtual HRESULT GetFilesByProject(BSTR ProjectName, IQORVFilesByProjectSet** FilesByProjectSet,
                                    VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                    LONG* ResultValue) = 0;
  // DISPID 56
  virtual HRESULT GetProjectByVersion(BSTR ProjectToGet, BSTR LocalDirectory, LONG VersionNumber,
                                      VARIANT_BOOL Recursive, VARIANT_BOOL MakeWritable,
                                      Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                                      Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                                      BSTR TwoWayMergeArgs, VARIANT_BOOL* Canceled,
                                      BSTR* ResultDescription,
                                      IQORVOperationResultSet** OperationResultSet,
                                      LONG* ResultValue) = 0;
  // DISPID 57
  virtual HRESULT GetFileListFromProject(BSTR ProjectName, IQORVFileListSet** FileListSet,
                                         VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                         LONG* ResultValue) = 0;
};

// The event interface is a pure dispatch interface: the SDK object calls each
// connected sink's IDispatch::Invoke with one of the DISPIDs below,
// DISPATCH_METHOD and no arguments. The sink pulls the data with the IQORVSDK
// methods named.
struct _IQorSDKEvents : IDispatch {};

enum QorvSdkEventDispid {
  DISPID_OnPercentDone = 1,                      // GetPercentDone
  DISPID_OnOperationResultSend = 2,              // GetOperationResultCount/Info
  DISPID_PromptCheckinUnchangedFile = 3,         // Get/SetPromptCheckinUnchangedFile
  DISPID_PromptUndoCheckoutChangedFile = 4,      // Get/SetPromptUndoCheckoutChangedFile
  DISPID_PromptRecoverOrPurgeDeletedCopy = 5,    // Get/SetPromptRecoverOrPurgeDeletedCopy
  DISPID_PromptLeaveOrReplaceWriteableFile = 6,  // Get/SetPromptLeaveOrReplaceWriteableFile
};

#endif  // __cplusplus

#endif  // QORVSDK_SDK_H_
