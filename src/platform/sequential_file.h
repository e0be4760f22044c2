// A file opened for reading from start to end, as digest helpers read it.
#ifndef QORV_PLATFORM_SEQUENTIAL_FILE_H_
#define QORV_PLATFORM_SEQUENTIAL_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace qorv::platform {

class SequentialFile {
 public:
  SequentialFile() = default;
  ~SequentialFile();
  SequentialFile(const SequentialFile&) = delete;
  SequentialFile& operator=(const SequentialFile&) = delete;

  // Opens the file for reading; returns 0 or the system's error code.
  int Open(const std::string& path);

  // Reads up to `length` bytes into `buffer`. Returns the count read (0 at
  // the end of the file) or -1 with the error code in *error.
  int64_t Read(void* buffer, size_t length, int* error);

  void Close();

 private:
  int handle_ = -1;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_SEQUENTIAL_FILE_H_
