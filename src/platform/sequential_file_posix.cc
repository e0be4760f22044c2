#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/sequential_file.h"

namespace qorv::platform {

SequentialFile::~SequentialFile() { Close(); }

int SequentialFile::Open(const std::string& path) {
  Close();
  int handle;
  do {
    handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (handle < 0 && errno == EINTR);
  if (handle < 0) return errno;
  handle_ = handle;
  return 0;
}

int64_t SequentialFile::Read(void* buffer, size_t length, int* error) {
  if (handle_ < 0) {
    *error = EBADF;
    return -1;
  }
  ssize_t count;
  do {
    count = ::read(handle_, buffer, length);
  } while (count < 0 && errno == EINTR);
  if (count < 0) *error = errno;
  return count;
}

void SequentialFile::Close() {
  if (handle_ >= 0) {
    ::close(handle_);
    handle_ = -1;
  }
}

}  // namespace qorv::platform
