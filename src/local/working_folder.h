// The working-folder primitives the operations use instead of touching the
// file system themselves. All of them go through the shared file layer
// (FileLayer::Shared()), so work on one path is serialised with the transfer
// threads.
//
// Failure rules: the attribute queries never fail; setting read-only and
// setting file times never raise but say whether they worked (an operation
// that must finish a file reports one that could not be finished); deleting
// files swallows every error; reading a file time raises CQORException.
#ifndef QORV_LOCAL_WORKING_FOLDER_H_
#define QORV_LOCAL_WORKING_FOLDER_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "local/file_times.h"
#include "qorvsdk/comtypes.h"

namespace qorv {

// The attribute word, or -1 when the path does not exist or cannot be read.
int32_t FileAttributes(const std::string& path);
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsReadOnly(const std::string& path);

// Sets or clears the read-only attribute; false when that failed.
bool SetReadOnly(const std::string& path, bool read_only);

// A file just fetched is read-only exactly when the caller did not ask for
// writable files and the user does not have it checked out.
bool SetReadOnlyAfterGet(const std::string& path, bool make_writable, bool checked_out_by_user);

// The file's last-write time as a local variant date. Raises CQORException
// (101 or 102) when the path does not exist.
DATE LastWriteDate(const std::string& path);

// Sets the file's last-write time (the last-access time is left alone); the
// read-only attribute stays as it was. False when that failed.
bool SetFileTime(const std::string& path, FileTime last_write);

// The values of Enum_SetLocalFileTime.
inline constexpr int32_t kLocalFileTimeCurrent = 0;
inline constexpr int32_t kLocalFileTimeModification = 1;
inline constexpr int32_t kLocalFileTimeCheckIn = 2;

// Sets the file's last-write time to the current time (0), the modification
// time (1, and any value other than 0 and 2) or the check-in time (2) (both
// local variant dates) and returns the time set as a local variant date, for
// the cache record. *time_set (when given) tells whether the time was set.
DATE ChooseFileTime(const std::string& path, int32_t set_local_file_time, DATE modification,
                    DATE check_in, bool* time_set = nullptr);

// Creates a folder with every missing parent. 0 when the folder exists
// afterwards (or already did), else kResultCreateFolderFailed (also when
// something other than a folder is in the way).
int32_t CreateFolderPath(const std::string& folder);

// Makes the file writable, then deletes it; failures are ignored. A symbolic
// link is deleted itself.
void DeleteLocalFile(const std::string& path);

// Deletes a folder with everything in it. Symbolic links inside are deleted
// themselves and never followed. Failures are ignored; returns true when the
// folder is gone afterwards.
bool DeleteFolderTree(const std::string& folder);

// A name for an operation temporary in `temp_folder`:
// "~_~_~_" + tag + "QorHighLevel" + time + pid + tid + "Q2O3R~_.tmp", the
// time being the local time as MMDDYYhhmmss (the date without separators, so
// that the name holds no "/").
std::string TemporaryFileName(std::string_view temp_folder, std::string_view tag);

}  // namespace qorv

#endif  // QORV_LOCAL_WORKING_FOLDER_H_
