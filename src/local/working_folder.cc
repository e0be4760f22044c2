#include "local/working_folder.h"

#include <vector>

#include "local/file_layer.h"
#include "local/path_forms.h"
#include "local/qor_exception.h"
#include "net/format_text.h"
#include "platform/local_time.h"
#include "platform/process.h"
#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

FileLayer& Files() { return FileLayer::Shared(); }

// The prefixes of `folder` that end just before each "/", then the folder
// itself; the empty prefix before a leading "/" (the root) is left out.
std::vector<std::string> FolderPrefixes(const std::string& folder) {
  std::vector<std::string> prefixes;
  for (size_t slash = folder.find(kLocalSeparator); slash != std::string::npos;
       slash = folder.find(kLocalSeparator, slash + 1)) {
    if (slash > 0) prefixes.push_back(folder.substr(0, slash));
  }
  prefixes.push_back(folder);
  return prefixes;
}

}  // namespace

int32_t FileAttributes(const std::string& path) {
  try {
    return Files().GetAttributes(path);
  } catch (...) {
    return platform::kInvalidAttributes;
  }
}

bool PathExists(const std::string& path) {
  return FileAttributes(path) != platform::kInvalidAttributes;
}

bool IsDirectory(const std::string& path) {
  int32_t attributes = FileAttributes(path);
  return attributes != platform::kInvalidAttributes &&
         (attributes & platform::kAttributeDirectory) != 0;
}

bool IsReadOnly(const std::string& path) {
  int32_t attributes = FileAttributes(path);
  return attributes != platform::kInvalidAttributes &&
         (attributes & platform::kAttributeReadOnly) != 0;
}

bool SetReadOnly(const std::string& path, bool read_only) {
  try {
    int32_t attributes = Files().GetAttributes(path);
    if (attributes == platform::kInvalidAttributes) return false;
    if (read_only) {
      attributes |= platform::kAttributeReadOnly;
    } else {
      attributes &= ~platform::kAttributeReadOnly;
    }
    Files().SetAttributes(path, attributes);
    return true;
  } catch (const CQORException&) {
    // The operation goes on with the file as it is.
    return false;
  }
}

bool SetReadOnlyAfterGet(const std::string& path, bool make_writable, bool checked_out_by_user) {
  return SetReadOnly(path, !make_writable && !checked_out_by_user);
}

DATE LastWriteDate(const std::string& path) {
  return FileTimeToLocalDate(Files().GetLastWriteTime(path));
}

bool SetFileTime(const std::string& path, FileTime last_write) {
  try {
    Files().SetLastWriteTime(path, last_write);
    return true;
  } catch (const CQORException&) {
    // The file keeps the time it has.
    return false;
  }
}

DATE ChooseFileTime(const std::string& path, int32_t set_local_file_time, DATE modification,
                    DATE check_in, bool* time_set) {
  FileTime chosen;
  switch (set_local_file_time) {
    case kLocalFileTimeCurrent:
      chosen = platform::CurrentFileTime();
      break;
    case kLocalFileTimeCheckIn:
      chosen = LocalDateToFileTime(check_in);
      break;
    default:
      chosen = LocalDateToFileTime(modification);
      break;
  }
  const bool set = SetFileTime(path, chosen);
  if (time_set != nullptr) *time_set = set;
  return FileTimeToLocalDate(chosen);
}

int32_t CreateFolderPath(const std::string& folder) {
  if (IsDirectory(folder)) return kResultOk;
  if (!PathExists(folder)) {
    for (const std::string& prefix : FolderPrefixes(folder)) {
      if (IsDirectory(prefix)) continue;
      try {
        Files().CreateFolder(prefix);
      } catch (const CQORException&) {
        // Ignored: whether the whole path exists at the end decides.
      }
    }
  }
  return IsDirectory(folder) ? kResultOk : kResultCreateFolderFailed;
}

void DeleteLocalFile(const std::string& path) {
  try {
    Files().SetAttributes(path, platform::kAttributeNormal);
  } catch (const CQORException&) {
    // A file that cannot be made writable may still be deletable.
  }
  try {
    Files().DeleteFile(path);
  } catch (const CQORException&) {
    // Ignored: the operation goes on.
  }
}

bool DeleteFolderTree(const std::string& folder) {
  if (Files().IsSymbolicLink(folder)) {
    // A link to a folder is removed itself; what it points at is not ours.
    DeleteLocalFile(folder);
    return !PathExists(folder);
  }
  std::vector<platform::FolderEntry> entries;
  try {
    entries = Files().ListFolder(folder);
  } catch (const CQORException&) {
    // Nothing to list: still try to remove the folder itself.
  }
  for (const platform::FolderEntry& entry : entries) {
    std::string path = JoinLocalPath(folder, entry.name);
    if (entry.is_directory) {
      DeleteFolderTree(path);
    } else {
      DeleteLocalFile(path);
    }
  }
  try {
    Files().RemoveFolder(folder);
  } catch (const CQORException&) {
    // Reported through the return value.
  }
  return !PathExists(folder);
}

std::string TemporaryFileName(std::string_view temp_folder, std::string_view tag) {
  FileTime local = platform::CurrentFileTime();
  platform::UtcToLocalFileTime(local, &local);
  CalendarTime now = FileTimeToCalendar(local);
  std::string time = FormatText("%02d%02d%02d%02d%02d%02d", now.month, now.day, now.year % 100,
                                now.hour, now.minute, now.second);
  std::string name =
      FormatText("~_~_~_%sQorHighLevel%s%u%uQ2O3R~_.tmp", std::string(tag).c_str(), time.c_str(),
                 platform::CurrentProcessId(), platform::CurrentThreadId());
  return JoinLocalPath(temp_folder, name);
}

}  // namespace qorv
