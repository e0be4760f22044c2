// An open file.
//
// "Shared with nobody" is realised as an exclusive, non-blocking advisory
// lock (flock) taken right after the open: a second exclusive open of the
// same file, from this process or another, fails at once with the sharing
// violation error until the holder closes its file. The lock belongs to the
// open file description, so two opens in one process exclude each other just
// as two processes do. Files are never inherited by started programs.
#ifndef QORV_PLATFORM_FILE_H_
#define QORV_PLATFORM_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace qorv::platform {

enum class FileAccess { kRead, kWrite, kReadWrite };

enum class FileCreation {
  kOpenExisting,  // fails when the file does not exist
  kOpenOrCreate,  // keeps the content of an existing file
  kCreateAlways,  // creates or truncates
};

enum class FileSharing { kShared, kExclusive };

class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens `path` into `*file` (closing what it held). A file created new
  // gets the default permissions (0666 less the umask). With kExclusive the
  // lock is taken before any truncation, so a refused open never changes the
  // file. Returns 0 or the error number.
  static int Open(const std::string& path, FileAccess access, FileCreation creation,
                  FileSharing sharing, File* file);

  bool is_open() const { return descriptor_ >= 0; }

  // Reads up to `size` bytes; `*read` is 0 at the end of the file.
  int Read(void* buffer, size_t size, size_t* read);
  // Writes all `size` bytes.
  int Write(const void* buffer, size_t size);
  int Seek(uint64_t offset);
  int Truncate(uint64_t size);
  int Size(uint64_t* size);
  // Makes the written data durable.
  int Sync();
  // Closes the file (releasing its lock); returns the error of the close.
  int Close();

 private:
  explicit File(int descriptor) : descriptor_(descriptor) {}

  int descriptor_ = -1;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_FILE_H_
