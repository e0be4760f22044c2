// The SDK object (coclass QORVSDK): the dual interface IQORVSDK, the dual
// interface IQORVTransferSettings, the outgoing event interface
// _IQorSDKEvents through one connection point, and ISupportErrorInfo for
// IQORVSDK only. Aggregation is supported. One IDispatch serves the members
// of both dual interfaces (IQORVSDK's DISPIDs 1 to 57, the settings' from
// 101), whichever of the two it is reached through.
//
// The object lives in the apartment of the thread that creates it. It owns a
// hidden notification window on that thread: whoever raises an event (the
// caller's own thread or a worker) sends the notification message to that
// window and waits, and the window procedure invokes every connected sink in
// connection order. So events always run on the caller's thread and are
// synchronous for the part that raises them.
//
// It also owns the request engine (the connection to the server) and the
// session state the connect and login steps set. Each operation method is
// one short body over the machinery of method_call.h: the methods of the
// session are in qor_sdk_session.cc, the queries in qor_sdk_queries.cc, and
// the methods whose operations are not built yet in qor_sdk_operations.cc.
#ifndef QORV_SDK_QOR_SDK_H_
#define QORV_SDK_QOR_SDK_H_

#include <memory>
#include <string>

#include "ops/operation_context.h"
#include "platform/apartment.h"
#include "platform/component/com_object.h"
#include "platform/component/connection_point.h"
#include "platform/component/dispatch_impl.h"
#include "platform/component/support_error_info.h"
#include "protocol/operation_driver.h"
#include "protocol/request_engine.h"
#include "qorvsdk/sdk.h"
#include "qorvsdk/transfer_settings.h"
#include "sdk/sdk_dispatch_table.h"
#include "sdk/transfer_settings_dispatch_table.h"

namespace qorv::sdk {

// The notification message: WM_USER + 101, wParam = the notification number.
inline constexpr uint32_t kNotificationMessage = platform::kWmUser + 101;

// Identity of the hidden notification window.
inline constexpr char kNotificationWindowClass[] = "Brastovik_QORVSS5.1_QorSDK";
inline constexpr char kNotificationWindowName[] = "Brastovik_QORVSS5.1_QorSDKWindow";

class CQorSDK final
    : public platform::ComObject<
          CQorSDK, platform::DispatchImpl<IQORVSDK>, platform::DispatchImpl<IQORVTransferSettings>,
          platform::SupportErrorInfoFor<IQORVSDK>, IConnectionPointContainer>,
      public DriverOwner {
 public:
  static constexpr bool kAggregatable = true;

  CQorSDK();
  ~CQorSDK();

  // Creates the notification window.
  HRESULT FinalConstruct();

  // IConnectionPointContainer: one point, for _IQorSDKEvents.
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

  // DriverOwner: raises the event on the creating thread through the window.
  void RaiseEvent(SdkEvent event) override;

  // IDispatch of both dual interfaces (qor_sdk_transfer_settings.cc).
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                        DISPID* dispids) override;
  HRESULT Invoke(DISPID dispid, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override;

  // IQORVTransferSettings: the engine's transfer settings.
  HRESULT get_CompressedTransfer(LONG* value) override;
  HRESULT put_CompressedTransfer(LONG value) override;
  HRESULT get_DeltaAllowed(LONG* value) override;
  HRESULT put_DeltaAllowed(LONG value) override;
  HRESULT get_SizeMode(LONG* value) override;
  HRESULT put_SizeMode(LONG value) override;
  HRESULT get_TrustedCAFile(BSTR* value) override;
  HRESULT put_TrustedCAFile(BSTR value) override;
  HRESULT get_ReceiveTimeout(LONG* value) override;
  HRESULT put_ReceiveTimeout(LONG value) override;

  // IQORVSDK
  HRESULT ConnectToServer(BSTR ServerIP, LONG ServerPort, VARIANT_BOOL* ConnectedToServer,
                          Enum_EncryptType* EncryptType, VARIANT_BOOL* Canceled,
                          BSTR* ResultDescription, Enum_ProxyType ProxyType, BSTR ProxyIP,
                          LONG ProxyPort, BSTR UserName, BSTR Password, LONG* ResultValue) override;
  HRESULT Login(BSTR UserName, BSTR Password, BSTR DatabaseName, IQORVKeyInfoSet* KeyInfoSet,
                VARIANT_BOOL* MustChangePassword, LONG* ExpireDays, VARIANT_BOOL* Canceled,
                BSTR* ResultDescription, LONG* ResultValue) override;
  HRESULT CreateProject(BSTR ProjectName, BSTR ProjectToCreate, BSTR Comment,
                        BSTR* ResultDescription, LONG* ResultValue) override;
  HRESULT AddFolder(BSTR ProjectName, BSTR LocalFolder, BSTR Comment, VARIANT_BOOL Recursive,
                    VARIANT_BOOL StoreOnlyLatestVersion, VARIANT_BOOL ReadOnlyIfNotCheckedout,
                    Enum_EOL EOL, Enum_FileType FileType, VARIANT_BOOL* Canceled,
                    BSTR* ResultDescription, IQORVOperationResultSet** OperationResultSet,
                    LONG* ResultValue) override;
  HRESULT GetProjectByLabel(BSTR ProjectToGet, BSTR LocalDirectory, BSTR LabelName,
                            VARIANT_BOOL Recursive, VARIANT_BOOL MakeWritable,
                            Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                            Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                            BSTR TwoWayMergeArgs, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                            IQORVOperationResultSet** OperationResultSet,
                            LONG* ResultValue) override;
  HRESULT GetOldVersionFile(BSTR ProjectName, BSTR FileName, LONG Version, BSTR LocalFileName,
                            VARIANT_BOOL MakeWritable,
                            Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                            Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                            BSTR TwoWayMergeArgs, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                            IQORVOperationResult* OperationResult, LONG* ResultValue) override;
  HRESULT GetLatestProject(BSTR ProjectToGet, BSTR LocalFolder, VARIANT_BOOL Recursive,
                           VARIANT_BOOL MakeWritable,
                           Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                           Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                           BSTR ThreeWayMergeArgs, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                           IQORVOperationResultSet** OperationResultSet,
                           LONG* ResultValue) override;
  HRESULT CheckoutProject(BSTR ProjectToCheckout, BSTR LocalDirectory, BSTR Comment,
                          VARIANT_BOOL DoNotGetLocalCopy, VARIANT_BOOL Recursive,
                          Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                          Enum_SetLocalFileTime SetLocalFileTime, VARIANT_BOOL* Canceled,
                          BSTR* ResultDescription, IQORVOperationResultSet** OperationResultSet,
                          LONG* ResultValue) override;
  HRESULT CheckInProject(BSTR ProjectToCheckin, BSTR LocalDirectory, BSTR Comment,
                         VARIANT_BOOL Recursive, VARIANT_BOOL KeepCheckout,
                         VARIANT_BOOL RemoveLocalCopy, Enum_EOL EOL,
                         Enum_SetLocalFileTime SetLocalFileTime,
                         Enum_CheckinUnchangedFileHandling CheckinUnchangedFileHandling,
                         VARIANT_BOOL ReadOnlyIfNotCheckedout, BSTR MergeTool, BSTR TwoWayMergeArgs,
                         VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                         IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) override;
  HRESULT UndoProjectCheckout(BSTR ProjectToUndo, BSTR LocalDirectory, VARIANT_BOOL Recursive,
                              Enum_EOL EOL, Enum_SetLocalFileTime SetLocalFileTime,
                              Enum_UndoCheckOutLocalFileHandling UndoCheckOutLocalFileHandling,
                              Enum_UndoCheckOutChangedFileHandling UndoCheckOutChangeFileHandling,
                              VARIANT_BOOL ReadOnlyIfNotCheckedout, VARIANT_BOOL* Canceled,
                              BSTR* ResultDescription, IQORVOperationResultSet** OperationResultSet,
                              LONG* ResultValue) override;
  HRESULT DeleteProject(BSTR ProjectToDelete, VARIANT_BOOL DestoryPermanently,
                        VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                        IQORVOperationResult* OperationResult, LONG* ResultValue) override;
  HRESULT RenameFile(BSTR ProjectParent, BSTR FileToRename, BSTR NewFileName,
                     BSTR* ResultDescription, LONG* ResultValue) override;
  HRESULT RenameProject(BSTR ProjectParent, BSTR ProjectName, BSTR NewProjectName,
                        BSTR* ResultDescription, LONG* ResultValue) override;
  HRESULT PinFile(BSTR FileName, LONG Version, BSTR* ResultDescription, LONG* ResultValue) override;
  HRESULT UnpinFile(BSTR FileName, BSTR* ResultDescription, LONG* ResultValue) override;
  HRESULT IsFileSameAsOnServer(BSTR LocalFile, BSTR RemoteFile, Enum_EOL EOL, LONG Version,
                               VARIANT_BOOL* IsSameFile, VARIANT_BOOL* Canceled,
                               BSTR* ResultDescription, LONG* ResultValue) override;
  HRESULT ShareProjectFrom(BSTR ProjectShareTo, BSTR ProjectShareFrom,
                           VARIANT_BOOL BranchAfterShare, VARIANT_BOOL Recursive, BSTR Comment,
                           VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                           LONG* ResultValue) override;
  HRESULT LabelItem(BSTR ItemName, BSTR LabelName, BSTR Comment, VARIANT_BOOL* Canceled,
                    BSTR* ResultDescription, LONG* ResultValue) override;
  HRESULT Branch(BSTR ItemName, BSTR Comment, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                 LONG* ResultValue) override;
  HRESULT SetPassword(BSTR NewPassword, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                      LONG* ResultValue) override;
  HRESULT MoveItem(BSTR ItemToMove, BSTR TargetProject, VARIANT_BOOL* Canceled,
                   BSTR* ResultDescription, LONG* ResultValue) override;
  HRESULT GetProjectGeneralInfo(BSTR ProjectName, LONG* SubProjectsnotDeleted,
                                LONG* SubProjectsDeleted, LONG* FilesNotDeleted, LONG* FilesDeleted,
                                LONG* RemoteVersion, DATE* RemoteDateTime, BSTR* Comment,
                                VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                LONG* ResultValue) override;
  HRESULT GetFileGeneralInfo(BSTR FileName, BSTR* FileType, LONG* RemoteVersion,
                             DATE* RemoteDateTime, LONG* RemoteSize, BSTR* Comment,
                             VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                             LONG* ResultValue) override;
  HRESULT GetFileCountInProject(BSTR ProjectName, LONG* FileCount, VARIANT_BOOL* Canceled,
                                BSTR* ResultDescription, LONG* ResultValue) override;
  HRESULT IsProjectExistingOnServer(BSTR ProjectName, VARIANT_BOOL* IsExisting,
                                    VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                    LONG* ResultValue) override;
  HRESULT RequestCancel() override;
  HRESULT GetDatabaseAlias(IQORVDatabaseAliasSet** DatabaseAliasSet, VARIANT_BOOL* Canceled,
                           BSTR* ResultDescription, LONG* ResultValue) override;
  HRESULT AddFiles(IQORVAddFileSet* AddFileSet, VARIANT_BOOL ReadOnlyIfNotCheckedout,
                   VARIANT_BOOL StoreOnlyLatestVersion, Enum_EOL EOL,
                   Enum_AddFileDeletedCopyHandling AddFileDeletedCopyHandling, BSTR Comment,
                   VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                   IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) override;
  HRESULT CheckoutFiles(IQORVCheckoutFileSet* CheckoutFileSet, BSTR Comment,
                        VARIANT_BOOL DoNotGetLocalCopy,
                        Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                        Enum_SetLocalFileTime SetLocalFileTime, VARIANT_BOOL* Canceled,
                        BSTR* ResultDescription, IQORVOperationResultSet** OperationResultSet,
                        LONG* ResultValue) override;
  HRESULT CheckInFiles(IQORVCheckinFileSet* CheckinFileSet, VARIANT_BOOL KeepCheckout, BSTR Comment,
                       Enum_EOL EOL, Enum_SetLocalFileTime SetLocalFileTime,
                       Enum_CheckinUnchangedFileHandling CheckinUnchangedFileHandling,
                       VARIANT_BOOL ReadOnlyIfNotCheckedout, VARIANT_BOOL RemoveLocalCopy,
                       BSTR MergeTool, BSTR TwoWayMergeArgs, VARIANT_BOOL* Canceled,
                       BSTR* ResultDescription, IQORVOperationResultSet** OperationResultSet,
                       LONG* ResultValue) override;
  HRESULT GetLatestFiles(IQORVLatestFileSet* LatestFileSet, VARIANT_BOOL MakeWritable,
                         Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                         Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                         BSTR ThreeWayMergeArgs, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                         IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) override;
  HRESULT GetLatestProjects(IQORVLatestProjectSet* LatestProjectSet, VARIANT_BOOL Recursive,
                            VARIANT_BOOL MakeWritable,
                            Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                            Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                            BSTR ThreeWayMergeArgs, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                            IQORVOperationResultSet** OperationResultSet,
                            LONG* ResultValue) override;
  HRESULT UndoFilesCheckout(IQORVUndoCheckoutFileSet* UndoCheckoutFileSet, Enum_EOL EOL,
                            Enum_SetLocalFileTime SetLocalFileTime,
                            Enum_UndoCheckOutLocalFileHandling UndoCheckOutLocalFileHandling,
                            Enum_UndoCheckOutChangedFileHandling UndoCheckOutChangeFileHandling,
                            VARIANT_BOOL ReadOnlyIfNotCheckedout, VARIANT_BOOL* Canceled,
                            BSTR* ResultDescription, IQORVOperationResultSet** OperationResultSet,
                            LONG* ResultValue) override;
  HRESULT DeleteFiles(IQORVDeleteFileSet* DeleteFileSet, VARIANT_BOOL DestoryPermanently,
                      VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                      IQORVOperationResultSet** OperationResultSet, LONG* ResultValue) override;
  HRESULT ShareFilesFrom(BSTR ProjectShareTo, IQORVShareFileSet* ShareFileSet,
                         VARIANT_BOOL BranchAfterShare, BSTR Comment, VARIANT_BOOL* Canceled,
                         BSTR* ResultDescription, IQORVOperationResultSet** OperationResultSet,
                         LONG* ResultValue) override;
  HRESULT GetProjectHistory(BSTR ProjectName, VARIANT_BOOL IncludeFileHistory,
                            VARIANT_BOOL Recursive, IQORVProjectHistorySet** ProjectHistorySet,
                            BSTR UserName, DATE DateFrom, DATE DateTo, VARIANT_BOOL* Canceled,
                            BSTR* ResultDescription, LONG* ResultValue) override;
  HRESULT GetFileHistory(BSTR FileName, VARIANT_BOOL* Pinned, IQORVFileHistorySet** FileHistorySet,
                         BSTR UserName, DATE DateFrom, DATE DateTo, VARIANT_BOOL* Canceled,
                         BSTR* ResultDescription, LONG* ResultValue) override;
  HRESULT GetDeletedItemsInProject(BSTR ProjectName, IQORVDeletedItemSet** DeletedItemSet,
                                   VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                   LONG* ResultValue) override;
  HRESULT GetFileLinks(BSTR FileName, IQORVFileLinkSet** FileLinkSet, VARIANT_BOOL* Canceled,
                       BSTR* ResultDescription, LONG* ResultValue) override;
  HRESULT RecoverItems(IQORVRecoverItemSet* RecoverItemSet, VARIANT_BOOL* Canceled,
                       BSTR* ResultDescription, IQORVOperationResultSet** OperationResultSet,
                       LONG* ResultValue) override;
  HRESULT PurgeItems(IQORVPurgeItemSet* PurgeItemSet, VARIANT_BOOL* Canceled,
                     BSTR* ResultDescription, IQORVOperationResultSet** OperationResultSet,
                     LONG* ResultValue) override;
  HRESULT SetTempDirectory(BSTR TempDirectory) override;
  HRESULT GetPercentDone(LONG* Count) override;
  HRESULT GetOperationResultCount(LONG* Count) override;
  HRESULT GetOperationResultInfo(LONG lIndex, VARIANT_BOOL* OperateResult, BSTR* Description,
                                 VARIANT_BOOL* Successful) override;
  HRESULT GetPromptLeaveOrReplaceWriteableFile(VARIANT_BOOL* ThreeWayMerge,
                                               BSTR* Information) override;
  HRESULT SetPromptLeaveOrReplaceWriteableFile(
      Enum_WritableFileHandling WritableFileHandling,
      VARIANT_BOOL WritableHandlingApplyToAllItems) override;
  HRESULT GetPromptCheckinUnchangedFile(BSTR* Information) override;
  HRESULT SetPromptCheckinUnchangedFile(
      Enum_CheckinUnchangedFileHandling CheckinUnchangedFileHandling,
      VARIANT_BOOL CheckinUnchangedFileHandlingApplyToAllItems) override;
  HRESULT GetPromptUndoCheckoutChangedFile(BSTR* Information) override;
  HRESULT SetPromptUndoCheckoutChangedFile(
      Enum_UndoCheckOutChangedFileHandling UndoCheckoutChangedFileHandling,
      VARIANT_BOOL ApplyToUndoCheckoutChangedFileHandling) override;
  HRESULT GetPromptRecoverOrPurgeDeletedCopy(BSTR* Information) override;
  HRESULT SetPromptRecoverOrPurgeDeletedCopy(Enum_AddFileDeletedCopyHandling DeletedCopyHandling,
                                             VARIANT_BOOL ApplyToAllItems) override;
  HRESULT GetSubProjectsFromParent(BSTR ParentProject,
                                   IQORVSubProjectsFromParentSet** SubProjectsSet,
                                   VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                   LONG* ResultValue) override;
  HRESULT GetFilesByProject(BSTR ProjectName, IQORVFilesByProjectSet** FilesByProjectSet,
                            VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                            LONG* ResultValue) override;
  HRESULT GetProjectByVersion(BSTR ProjectToGet, BSTR LocalDirectory, LONG VersionNumber,
                              VARIANT_BOOL Recursive, VARIANT_BOOL MakeWritable,
                              Enum_WritableFileHandling WritableFileHandling, Enum_EOL EOL,
                              Enum_SetLocalFileTime SetLocalFileTime, BSTR MergeTool,
                              BSTR TwoWayMergeArgs, VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                              IQORVOperationResultSet** OperationResultSet,
                              LONG* ResultValue) override;
  HRESULT GetFileListFromProject(BSTR ProjectName, IQORVFileListSet** FileListSet,
                                 VARIANT_BOOL* Canceled, BSTR* ResultDescription,
                                 LONG* ResultValue) override;

  OperationDriver& driver() { return driver_; }
  const platform::Window* notification_window() const { return window_.get(); }

 private:
  // The window procedure: the notification message raises event wParam.
  intptr_t OnWindowMessage(uint32_t message, uintptr_t wparam);

  // The Get and Set halves of the four prompt method pairs; a null
  // `three_way_merge` is left alone.
  HRESULT GetPrompt(PromptKind kind, BSTR* information, VARIANT_BOOL* three_way_merge = nullptr);
  HRESULT SetPrompt(PromptKind kind, int32_t answer, VARIANT_BOOL apply_to_all);

  // What the operations of this object work with.
  ops::OperationContext Context() { return ops::OperationContext{engine_, driver_, session_}; }

  platform::ConnectionPoint events_;
  OperationDriver driver_;
  // Owns the connection; its destruction closes it without sending anything.
  CRequestEngine engine_;
  // Connected server name, saved server and login, the local cache.
  ops::SessionState session_;
  std::unique_ptr<platform::Window> window_;
};

}  // namespace qorv::sdk

#endif  // QORV_SDK_QOR_SDK_H_
