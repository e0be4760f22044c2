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
#include <utility>

namespace qorv::platform {

enum class FileAccess { kRead, kWrite, kReadWrite };

enum class FileCreation {
  kOpenExisting,  // fails when the file does not exist
  kOpenOrCreate,  // keeps the content of an existing file
  kCreateAlways,  // creates or truncates
};

enum class FileSharing { kShared, kExclusive };

// What the layers above work with once a file is open (see
// file_system_interface.h, whose implementations hand these out). Every call
// returns 0 or the operating system's error number.
class OpenFile {
 public:
  virtual ~OpenFile() = default;
  // Reads up to `size` bytes; `*read` is 0 at the end of the file.
  virtual int Read(void* buffer, size_t size, size_t* read) = 0;
  // Writes all `size` bytes. On failure some of them may have been written.
  virtual int Write(const void* buffer, size_t size) = 0;
  virtual int Seek(uint64_t offset) = 0;
  virtual int Truncate(uint64_t size) = 0;
  virtual int Size(uint64_t* size) = 0;
  // Makes the written data durable.
  virtual int Sync() = 0;
  // Closes the file (releasing its lock); returns the error of the close.
  virtual int Close() = 0;
};

class File final : public OpenFile {
 public:
  File() = default;
  ~File() override { Close(); }
  File(File&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      Close();
      descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens `path` into `*file` (closing what it held). A file created new
  // gets the default permissions (0666 less the umask). With kExclusive the
  // lock is taken before any truncation, so a refused open never changes the
  // file. Returns 0 or the error number.
  static int Open(const std::string& path, FileAccess access, FileCreation creation,
                  FileSharing sharing, File* file);

  bool is_open() const { return descriptor_ >= 0; }

  int Read(void* buffer, size_t size, size_t* read) override;
  int Write(const void* buffer, size_t size) override;
  int Seek(uint64_t offset) override;
  int Truncate(uint64_t size) override;
  int Size(uint64_t* size) override;
  int Sync() override;
  int Close() override;

 private:
  explicit File(int descriptor) : descriptor_(descriptor) {}

  int descriptor_ = -1;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_FILE_H_
