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

}  // namespace qorv::ops

#endif  // QORV_OPS_REPORT_TEXTS_H_
