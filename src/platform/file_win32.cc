#include <utility>

#include "platform/com/win32_api.h"
#include "platform/file.h"

namespace qorv::platform {

int File::Open(const std::string& path, FileAccess access, FileCreation creation,
               FileSharing sharing, File* file) {
  file->Close();
  DWORD desired = access == FileAccess::kRead    ? GENERIC_READ
                  : access == FileAccess::kWrite ? GENERIC_WRITE
                                                 : GENERIC_READ | GENERIC_WRITE;
  // "Shared with nobody" is the share mode 0: any other open of the file,
  // from this process or another, fails with ERROR_SHARING_VIOLATION.
  DWORD share =
      sharing == FileSharing::kShared ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0;
  DWORD disposition = creation == FileCreation::kOpenExisting   ? OPEN_EXISTING
                      : creation == FileCreation::kOpenOrCreate ? OPEN_ALWAYS
                                                                : CREATE_ALWAYS;
  HANDLE handle = ::CreateFileW(WideText(path).c_str(), desired, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastFileError();
  file->descriptor_ = HandleToInt(handle);
  return 0;
}

int File::Read(void* buffer, size_t size, size_t* read) {
  *read = 0;
  if (descriptor_ < 0) return ERROR_INVALID_HANDLE;
  DWORD got = 0;
  DWORD wanted = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (!::ReadFile(IntToHandle(descriptor_), buffer, wanted, &got, nullptr)) {
    DWORD error = ::GetLastError();
    return error == ERROR_HANDLE_EOF ? 0 : static_cast<int>(error);
  }
  *read = got;
  return 0;
}

int File::Write(const void* buffer, size_t size) {
  if (descriptor_ < 0) return ERROR_INVALID_HANDLE;
  const char* at = static_cast<const char*>(buffer);
  while (size > 0) {
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(IntToHandle(descriptor_), at, chunk, &written, nullptr)) {
      return LastFileError();
    }
    at += written;
    size -= written;
  }
  return 0;
}

int File::Seek(uint64_t offset) {
  if (descriptor_ < 0) return ERROR_INVALID_HANDLE;
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return ::SetFilePointerEx(IntToHandle(descriptor_), to, nullptr, FILE_BEGIN) ? 0
                                                                               : LastFileError();
}

int File::Truncate(uint64_t size) {
  if (descriptor_ < 0) return ERROR_INVALID_HANDLE;
  FILE_END_OF_FILE_INFO end;
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  return ::SetFileInformationByHandle(IntToHandle(descriptor_), FileEndOfFileInfo, &end,
                                      sizeof(end))
             ? 0
             : LastFileError();
}

int File::Size(uint64_t* size) {
  if (descriptor_ < 0) return ERROR_INVALID_HANDLE;
  LARGE_INTEGER value;
  if (!::GetFileSizeEx(IntToHandle(descriptor_), &value)) return LastFileError();
  *size = static_cast<uint64_t>(value.QuadPart);
  return 0;
}

int File::Sync() {
  if (descriptor_ < 0) return ERROR_INVALID_HANDLE;
  return ::FlushFileBuffers(IntToHandle(descriptor_)) ? 0 : LastFileError();
}

int File::Close() {
  if (descriptor_ < 0) return 0;
  HANDLE handle = IntToHandle(std::exchange(descriptor_, -1));
  return ::CloseHandle(handle) ? 0 : LastFileError();
}

}  // namespace qorv::platform
