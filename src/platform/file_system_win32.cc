#include "platform/com/win32_api.h"
#include "platform/file_system.h"

namespace qorv::platform {
namespace {

int LastError() { return LastFileError(); }

int Attributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA* data) {
  return ::GetFileAttributesExW(WideText(path).c_str(), GetFileExInfoStandard, data) ? 0
                                                                                     : LastError();
}

}  // namespace

int32_t GetAttributes(const std::string& path) {
  DWORD attributes = ::GetFileAttributesW(WideText(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return kInvalidAttributes;
  // Only the bits this layer speaks of; a plain file without them is normal.
  int32_t result = static_cast<int32_t>(attributes) & (kAttributeReadOnly | kAttributeDirectory);
  return result == 0 ? kAttributeNormal : result;
}

int SetAttributes(const std::string& path, int32_t attributes) {
  std::wstring wide = WideText(path);
  DWORD current = ::GetFileAttributesW(wide.c_str());
  if (current == INVALID_FILE_ATTRIBUTES) return LastError();
  DWORD wanted = (attributes & kAttributeReadOnly) != 0 ? current | FILE_ATTRIBUTE_READONLY
                                                        : current & ~FILE_ATTRIBUTE_READONLY;
  wanted &= ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
  if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
  return ::SetFileAttributesW(wide.c_str(), wanted) ? 0 : LastError();
}

int GetFileInfo(const std::string& path, FileInfo* info) {
  HANDLE handle = ::CreateFileW(WideText(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  BY_HANDLE_FILE_INFORMATION data;
  BOOL ok = ::GetFileInformationByHandle(handle, &data);
  int error = ok ? 0 : LastError();
  ::CloseHandle(handle);
  if (!ok) return error;
  info->is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  info->last_write = FromFiletime(data.ftLastWriteTime);
  info->device = data.dwVolumeSerialNumber;
  info->inode = (static_cast<uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
  return 0;
}

int GetLastWriteTime(const std::string& path, FileTime* time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  int error = Attributes(path, &data);
  if (error == 0) *time = FromFiletime(data.ftLastWriteTime);
  return error;
}

int SetLastWriteTime(const std::string& path, FileTime time) {
  // FILE_WRITE_ATTRIBUTES is granted on a read-only file too.
  HANDLE handle = ::CreateFileW(WideText(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  FILETIME written = ToFiletime(time);
  int error = ::SetFileTime(handle, nullptr, nullptr, &written) ? 0 : LastError();
  ::CloseHandle(handle);
  return error;
}

int GetFileSize(const std::string& path, uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  int error = Attributes(path, &data);
  if (error == 0) *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return error;
}

int GetFreeSpace(const std::string& path, uint64_t* bytes) {
  ULARGE_INTEGER available;
  if (!::GetDiskFreeSpaceExW(WideText(path).c_str(), &available, nullptr, nullptr)) {
    return LastError();
  }
  *bytes = available.QuadPart;
  return 0;
}

bool IsSymbolicLink(const std::string& path) {
  DWORD attributes = ::GetFileAttributesW(WideText(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

int CreateFolder(const std::string& path) {
  return ::CreateDirectoryW(WideText(path).c_str(), nullptr) ? 0 : LastError();
}

int RemoveFolder(const std::string& path) {
  return ::RemoveDirectoryW(WideText(path).c_str()) ? 0 : LastError();
}

int DeleteFile(const std::string& path) {
  return ::DeleteFileW(WideText(path).c_str()) ? 0 : LastError();
}

int ListFolder(const std::string& path, std::vector<FolderEntry>* entries) {
  entries->clear();
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW(WideText(path + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    int error = LastError();
    return error == ERROR_FILE_NOT_FOUND ? 0 : error;
  }
  do {
    std::wstring_view name(found.cFileName);
    if (name == L"." || name == L"..") continue;
    FolderEntry entry;
    entry.name = Utf8Text(name);
    entry.is_directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                         (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    entries->push_back(std::move(entry));
  } while (::FindNextFileW(search, &found));
  int error = LastError();
  ::FindClose(search);
  return error == ERROR_NO_MORE_FILES ? 0 : error;
}

int RenamePath(const std::string& from, const std::string& to) {
  return ::MoveFileExW(WideText(from).c_str(), WideText(to).c_str(), MOVEFILE_REPLACE_EXISTING)
             ? 0
             : LastError();
}

int MovePath(const std::string& from, const std::string& to) {
  return ::MoveFileExW(WideText(from).c_str(), WideText(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)
             ? 0
             : LastError();
}

int CopyFile(const std::string& from, const std::string& to) {
  return ::CopyFileW(WideText(from).c_str(), WideText(to).c_str(), FALSE) ? 0 : LastError();
}

}  // namespace qorv::platform
