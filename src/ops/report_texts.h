// The texts of the report lines that the session steps and the queries
// deliver through OnOperationResultSend. Paths are inserted between a prefix
// and a suffix ("Getting " + path + " general info...").
#ifndef QORV_OPS_REPORT_TEXTS_H_
#define QORV_OPS_REPORT_TEXTS_H_

namespace qorv::ops {

// ConnectToServer and Login.
inline constexpr char kReportConnecting[] = "Connecting to server...";
inline constexpr char kReportLoggingIn[] = "Logging in database...";

// The plain queries.
inline constexpr char kReportGettingPrefix[] = "Getting ";
inline constexpr char kReportGeneralInfoSuffix[] = " general info...";
inline constexpr char kReportQueryingPrefix[] = "Querying ";
inline constexpr char kReportInfoSuffix[] = " info...";
inline constexpr char kReportHistoryPrefix[] = "Get ";
inline constexpr char kReportHistorySuffix[] = " history...";
inline constexpr char kReportDeletedItemsPrefix[] = "Getting deleted items in ";
inline constexpr char kReportShareLinksPrefix[] = "Getting share links of ";
inline constexpr char kReportEllipsis[] = "...";
inline constexpr char kReportDatabaseAlias[] = "Getting database alias...";

// IsFileSameAsOnServer, when the server could not give the file's status.
inline constexpr char kReportFileStatusFailedPrefix[] = "Checking in files ... : ";

// The cache updates of the cache-backed queries and the project gets.
inline constexpr char kReportProjectTreePrefix[] = "Updating project tree of ";
inline constexpr char kReportFileListPrefix[] = "Updating file list of ";
// An information line (flagged success): the query went on with what it
// read, but the local cache could not be written.
inline constexpr char kReportCacheNotSavedPrefix[] = "Warning: the local cache was not updated: ";

// Appended to the user name of a file checked out by several users (status 5
// and 6) in the cache's file entries.
inline constexpr char kSeveralUsersSuffix[] = "...";

// The get operations and the file-get pass that check out and undo reuse.
// The verbs that lead the project walk's messages, by operation kind.
inline constexpr char kVerbGetting[] = "Getting";
inline constexpr char kVerbCheckingOut[] = "Checking out";
inline constexpr char kVerbCheckingIn[] = "Checking in";
inline constexpr char kVerbUndoingCheckOut[] = "Undoing Check out";
inline constexpr char kReportGettingFilesEmpty[] = "Getting files...: ";
inline constexpr char kReportCommonInfo[] = "Getting files common info...";
inline constexpr char kReportCommonInfoFailedPrefix[] = "Getting files ... : ";
inline constexpr char kReportCheckOutStateFailedPrefix[] = "Getting files... : ";
inline constexpr char kReportFetchFailedPrefix[] = "Getting files ... : ";
inline constexpr char kReportItemSuffix[] = " ...: ";          // "Getting " + path + " ...: " + why
inline constexpr char kReportItemDirectorySuffix[] = "...: ";  // "Getting " + path + "...: " + why
inline constexpr char kReportItemMergeSuffix[] = " ... : ";
inline constexpr char kReportFileHeadingSuffix[] = " file...";
inline constexpr char kReportSubItemsInfo[] = "Getting sub items info...";
inline constexpr char kReportCloaked[] = "...: The project is cloaked";
inline constexpr char kReportErrorCreatingFolder[] = "...: Error creating folder ";
inline constexpr char kReportProjectPrefix[] = "Getting project ";
inline constexpr char kReportProjectSeparator[] = "... : ";
inline constexpr char kReportGettingFilePrefix[] = "Getting file ";
inline constexpr char kReportLabelHeadingSuffix[] = "... ";
inline constexpr char kTextDirectoryInTheWayPrefix[] = "A directory with the name ";
inline constexpr char kTextFolderInTheWayPrefix[] = "A folder with the name ";
inline constexpr char kTextFolderInTheWayLowerPrefix[] = "a folder with the name ";
inline constexpr char kTextAlreadyExistsSuffix[] = " already exists";
inline constexpr char kTextFailedToCreateFolder[] = "Failed to create folder ";
inline constexpr char kTextErrorCreatingFolder[] = "Error creating folder ";
// The writable-file prompt's information texts.
inline constexpr char kPromptCheckedOutSuffix[] = " is checked out, replace?";
inline constexpr char kPromptWritableCopyPrefix[] =
    "Your working folder contains a writable copy of ";
inline constexpr char kPromptWritableCopySuffix[] = ".";
// The labels handed to the merge tool.
inline constexpr char kMergeLabelFilePrefix[] = "File : ";
inline constexpr char kMergeLabelVersionInfix[] = " Version : ";
// The tags of the two temporary files of a merge.
inline constexpr char kMergeTheirsTag[] = "CheckinMergeFile1";
inline constexpr char kMergeBaseTag[] = "CheckinMergeFile2";
// A file fetched or confirmed whose attribute, time or cache record could
// not be set: it is not finished, so it is not reported as done.
inline constexpr char kTextFinishFailedPrefix[] = "The file could not be finished: ";
inline constexpr char kTextAttributeNotSetPrefix[] = "failed to set the read-only attribute of ";
inline constexpr char kTextFileTimeNotSetPrefix[] = "failed to set the file time of ";
inline constexpr char kTextCacheRecordNotSetPrefix[] = "failed to record the local copy of ";

// Check out and undo check out.
inline constexpr char kReportCheckingOutFilesEmpty[] = "Checking out files...: ";
inline constexpr char kReportCheckOutFailedPrefix[] = "Checking out files ...: ";
inline constexpr char kReportCheckingOutFilePrefix[] = "Checking out file ";
inline constexpr char kReportCheckingOutPrefix[] = "Checking out ";
inline constexpr char kTextYouHaveItCheckedOutPrefix[] = "You currently have file ";
inline constexpr char kTextYouHaveItCheckedOutSuffix[] = " checked out";
inline constexpr char kTextFolderInTheWaySpacedPrefix[] = " a folder with the name ";
inline constexpr char kReportUndoEmpty[] = "Undoing check out files ... : Completed";
inline constexpr char kReportUndoFailedPrefix[] = "Undoing check out files ... : ";
inline constexpr char kReportUndoingPrefix[] = "Undoing check out ";
inline constexpr char kReportCommonInfoFailedShortPrefix[] = "Getting files common info...: ";
inline constexpr char kPromptChangedFileSuffix[] =
    " has changed.\r\nUndo check out and lose changes?";

// Check in.
inline constexpr char kReportCheckingInFilesEmpty[] = "Checking in files...: ";
inline constexpr char kReportCheckInFailedPrefix[] = "Checking in files ... : ";
inline constexpr char kReportCheckingInPrefix[] = "Checking in ";
inline constexpr char kPromptUnchangedPrefix[] = "File ";
inline constexpr char kPromptUnchangedSuffix[] =
    " has not been changed.\nDo you want to create a new version of the file on server?";

// The project tree edits (tree_edits.h).
inline constexpr char kReportCreatingProjectPrefix[] = "Creating project ";

// Adding files and folders.
inline constexpr char kReportAddingFilesEmpty[] = "Adding files...: ";
inline constexpr char kReportAddingPrefix[] = "Adding ";
inline constexpr char kReportAddCheckFailedPrefix[] = "Adding files... :";
inline constexpr char kReportAddFailedPrefix[] = "Adding files... : ";
inline constexpr char kReportAddingItemSeparator[] = "... : ";
inline constexpr char kTextDirectoryNotAddedSuffix[] = " already exists. The file can not be added";
inline constexpr char kTextFileExistsPrefix[] = "A file with the name ";
inline constexpr char kTextFileExistsSuffix[] = " already exist. The file can not be added";
inline constexpr char kPromptDeletedCopyPrefix[] = "A deleted copy of this ";
inline constexpr char kPromptDeletedCopySuffix[] =
    " file already exists in this project.\r\nDo you want to recover the existing file?";
inline constexpr char kReportPurgingFiles[] = "Purging files...";
inline constexpr char kReportPurgingPrefix[] = "Purging ";
inline constexpr char kReportRecoveringFiles[] = "Recovering files...";
inline constexpr char kReportRecoveringFailedPrefix[] = "Recovering files... : ";
inline constexpr char kReportRecoveringPrefix[] = "Recovering ";
inline constexpr char kReportAddingFolderFailedPrefix[] = "Adding Folder ... : ";
// A local name the server could not store as an item name.
inline constexpr char kTextNameRefusedPrefix[] = "The name \"";
inline constexpr char kTextNameRefusedSuffix[] = "\" can not be used for an item on the server";

}  // namespace qorv::ops

#endif  // QORV_OPS_REPORT_TEXTS_H_
