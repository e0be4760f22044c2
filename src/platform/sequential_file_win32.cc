#include "platform/com/win32_api.h"
#include "platform/sequential_file.h"

namespace qorv::platform {

SequentialFile::~SequentialFile() { Close(); }

int SequentialFile::Open(const std::string& path) {
  Close();
  HANDLE handle = ::CreateFileW(WideText(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastFileError();
  handle_ = HandleToInt(handle);
  return 0;
}

int64_t SequentialFile::Read(void* buffer, size_t length, int* error) {
  DWORD got = 0;
  DWORD wanted = length > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length);
  if (!::ReadFile(IntToHandle(handle_), buffer, wanted, &got, nullptr)) {
    *error = LastFileError();
    return -1;
  }
  return got;
}

void SequentialFile::Close() {
  if (handle_ >= 0) ::CloseHandle(IntToHandle(handle_));
  handle_ = -1;
}

}  // namespace qorv::platform
