"""Parameter directions of the SDK object's methods.

The SDK object offers no type information (GetTypeInfoCount answers 0) and
its GetIDsOfNames knows no parameter names, so this table says, for each
IQORVSDK method, its parameters in declared order, an out-parameter marked
with a leading "*". A call passes the in-parameters (positionally or by these
names), and every out-parameter as a reference to an empty VARIANT, except
the last one, which comes back as the result of Invoke.
"""

IQORVSDK = {
    "ConnectToServer": (
        "ServerIP ServerPort *ConnectedToServer *EncryptType *Canceled *ResultDescription "
        "ProxyType ProxyIP ProxyPort UserName Password *ResultValue"
    ),
    "Login": (
        "UserName Password DatabaseName KeyInfoSet *MustChangePassword *ExpireDays "
        "*Canceled *ResultDescription *ResultValue"
    ),
    "CreateProject": "ProjectName ProjectToCreate Comment *ResultDescription *ResultValue",
    "AddFolder": (
        "ProjectName LocalFolder Comment Recursive StoreOnlyLatestVersion "
        "ReadOnlyIfNotCheckedout EOL FileType *Canceled *ResultDescription "
        "*OperationResultSet *ResultValue"
    ),
    "GetProjectByLabel": (
        "ProjectToGet LocalDirectory LabelName Recursive MakeWritable "
        "WritableFileHandling EOL SetLocalFileTime MergeTool TwoWayMergeArgs *Canceled "
        "*ResultDescription *OperationResultSet *ResultValue"
    ),
    "GetOldVersionFile": (
        "ProjectName FileName Version LocalFileName MakeWritable WritableFileHandling EOL "
        "SetLocalFileTime MergeTool TwoWayMergeArgs *Canceled *ResultDescription "
        "OperationResult *ResultValue"
    ),
    "GetLatestProject": (
        "ProjectToGet LocalFolder Recursive MakeWritable WritableFileHandling EOL "
        "SetLocalFileTime MergeTool ThreeWayMergeArgs *Canceled *ResultDescription "
        "*OperationResultSet *ResultValue"
    ),
    "CheckoutProject": (
        "ProjectToCheckout LocalDirectory Comment DoNotGetLocalCopy Recursive "
        "WritableFileHandling EOL SetLocalFileTime *Canceled *ResultDescription "
        "*OperationResultSet *ResultValue"
    ),
    "CheckInProject": (
        "ProjectToCheckin LocalDirectory Comment Recursive KeepCheckout RemoveLocalCopy "
        "EOL SetLocalFileTime CheckinUnchangedFileHandling ReadOnlyIfNotCheckedout "
        "MergeTool TwoWayMergeArgs *Canceled *ResultDescription *OperationResultSet "
        "*ResultValue"
    ),
    "UndoProjectCheckout": (
        "ProjectToUndo LocalDirectory Recursive EOL SetLocalFileTime "
        "UndoCheckOutLocalFileHandling UndoCheckOutChangeFileHandling "
        "ReadOnlyIfNotCheckedout *Canceled *ResultDescription *OperationResultSet "
        "*ResultValue"
    ),
    "DeleteProject": (
        "ProjectToDelete DestoryPermanently *Canceled *ResultDescription OperationResult "
        "*ResultValue"
    ),
    "RenameFile": "ProjectParent FileToRename NewFileName *ResultDescription *ResultValue",
    "RenameProject": "ProjectParent ProjectName NewProjectName *ResultDescription *ResultValue",
    "PinFile": "FileName Version *ResultDescription *ResultValue",
    "UnpinFile": "FileName *ResultDescription *ResultValue",
    "IsFileSameAsOnServer": (
        "LocalFile RemoteFile EOL Version *IsSameFile *Canceled *ResultDescription "
        "*ResultValue"
    ),
    "ShareProjectFrom": (
        "ProjectShareTo ProjectShareFrom BranchAfterShare Recursive Comment *Canceled "
        "*ResultDescription *ResultValue"
    ),
    "LabelItem": "ItemName LabelName Comment *Canceled *ResultDescription *ResultValue",
    "Branch": "ItemName Comment *Canceled *ResultDescription *ResultValue",
    "SetPassword": "NewPassword *Canceled *ResultDescription *ResultValue",
    "MoveItem": "ItemToMove TargetProject *Canceled *ResultDescription *ResultValue",
    "GetProjectGeneralInfo": (
        "ProjectName *SubProjectsnotDeleted *SubProjectsDeleted *FilesNotDeleted "
        "*FilesDeleted *RemoteVersion *RemoteDateTime *Comment *Canceled "
        "*ResultDescription *ResultValue"
    ),
    "GetFileGeneralInfo": (
        "FileName *FileType *RemoteVersion *RemoteDateTime *RemoteSize *Comment *Canceled "
        "*ResultDescription *ResultValue"
    ),
    "GetFileCountInProject": "ProjectName *FileCount *Canceled *ResultDescription *ResultValue",
    "IsProjectExistingOnServer": (
        "ProjectName *IsExisting *Canceled *ResultDescription *ResultValue"
    ),
    "RequestCancel": "",
    "GetDatabaseAlias": "*DatabaseAliasSet *Canceled *ResultDescription *ResultValue",
    "AddFiles": (
        "AddFileSet ReadOnlyIfNotCheckedout StoreOnlyLatestVersion EOL "
        "AddFileDeletedCopyHandling Comment *Canceled *ResultDescription "
        "*OperationResultSet *ResultValue"
    ),
    "CheckoutFiles": (
        "CheckoutFileSet Comment DoNotGetLocalCopy WritableFileHandling EOL "
        "SetLocalFileTime *Canceled *ResultDescription *OperationResultSet *ResultValue"
    ),
    "CheckInFiles": (
        "CheckinFileSet KeepCheckout Comment EOL SetLocalFileTime "
        "CheckinUnchangedFileHandling ReadOnlyIfNotCheckedout RemoveLocalCopy MergeTool "
        "TwoWayMergeArgs *Canceled *ResultDescription *OperationResultSet *ResultValue"
    ),
    "GetLatestFiles": (
        "LatestFileSet MakeWritable WritableFileHandling EOL SetLocalFileTime MergeTool "
        "ThreeWayMergeArgs *Canceled *ResultDescription *OperationResultSet *ResultValue"
    ),
    "GetLatestProjects": (
        "LatestProjectSet Recursive MakeWritable WritableFileHandling EOL "
        "SetLocalFileTime MergeTool ThreeWayMergeArgs *Canceled *ResultDescription "
        "*OperationResultSet *ResultValue"
    ),
    "UndoFilesCheckout": (
        "UndoCheckoutFileSet EOL SetLocalFileTime UndoCheckOutLocalFileHandling "
        "UndoCheckOutChangeFileHandling ReadOnlyIfNotCheckedout *Canceled "
        "*ResultDescription *OperationResultSet *ResultValue"
    ),
    "DeleteFiles": (
        "DeleteFileSet DestoryPermanently *Canceled *ResultDescription "
        "*OperationResultSet *ResultValue"
    ),
    "ShareFilesFrom": (
        "ProjectShareTo ShareFileSet BranchAfterShare Comment *Canceled "
        "*ResultDescription *OperationResultSet *ResultValue"
    ),
    "GetProjectHistory": (
        "ProjectName IncludeFileHistory Recursive *ProjectHistorySet UserName DateFrom "
        "DateTo *Canceled *ResultDescription *ResultValue"
    ),
    "GetFileHistory": (
        "FileName *Pinned *FileHistorySet UserName DateFrom DateTo *Canceled "
        "*ResultDescription *ResultValue"
    ),
    "GetDeletedItemsInProject": (
        "ProjectName *DeletedItemSet *Canceled *ResultDescription *ResultValue"
    ),
    "GetFileLinks": "FileName *FileLinkSet *Canceled *ResultDescription *ResultValue",
    "RecoverItems": "RecoverItemSet *Canceled *ResultDescription *OperationResultSet *ResultValue",
    "PurgeItems": "PurgeItemSet *Canceled *ResultDescription *OperationResultSet *ResultValue",
    "SetTempDirectory": "TempDirectory",
    "GetPercentDone": "*Count",
    "GetOperationResultCount": "*Count",
    "GetOperationResultInfo": "lIndex *OperateResult *Description *Successful",
    "GetPromptLeaveOrReplaceWriteableFile": "*ThreeWayMerge *Information",
    "SetPromptLeaveOrReplaceWriteableFile": "WritableFileHandling WritableHandlingApplyToAllItems",
    "GetPromptCheckinUnchangedFile": "*Information",
    "SetPromptCheckinUnchangedFile": (
        "CheckinUnchangedFileHandling CheckinUnchangedFileHandlingApplyToAllItems"
    ),
    "GetPromptUndoCheckoutChangedFile": "*Information",
    "SetPromptUndoCheckoutChangedFile": (
        "UndoCheckoutChangedFileHandling ApplyToUndoCheckoutChangedFileHandling"
    ),
    "GetPromptRecoverOrPurgeDeletedCopy": "*Information",
    "SetPromptRecoverOrPurgeDeletedCopy": "DeletedCopyHandling ApplyToAllItems",
    "GetSubProjectsFromParent": (
        "ParentProject *SubProjectsSet *Canceled *ResultDescription *ResultValue"
    ),
    "GetFilesByProject": (
        "ProjectName *FilesByProjectSet *Canceled *ResultDescription *ResultValue"
    ),
    "GetProjectByVersion": (
        "ProjectToGet LocalDirectory VersionNumber Recursive MakeWritable "
        "WritableFileHandling EOL SetLocalFileTime MergeTool TwoWayMergeArgs *Canceled "
        "*ResultDescription *OperationResultSet *ResultValue"
    ),
    "GetFileListFromProject": "ProjectName *FileListSet *Canceled *ResultDescription *ResultValue",
}
