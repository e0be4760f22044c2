// The temporary file of one batch, in the engine's temporary directory:
//   "~_~_~_" + tag + "qorserver" + local time (MMDDYYhhmmss) + process id +
//   thread id + "Q2O3R~_.tmp"
// or of one body step (the digest and delta-information files), with "qorFT"
// in place of "qorserver"
// (the time, process and thread keep the names of concurrent batches
// apart). It is created anew, open for reading and writing and shared with
// nobody, and removed when the object goes, on every path.
#ifndef QORV_TRANSFER_BATCH_TEMPORARY_H_
#define QORV_TRANSFER_BATCH_TEMPORARY_H_

#include <memory>
#include <string>
#include <string_view>

#include "local/file_layer.h"
#include "platform/file.h"

namespace qorv {

// The name above, below `directory` (a '/' is put between them when the
// directory does not end with one).
inline constexpr char kBatchTemporaryFamily[] = "qorserver";
inline constexpr char kBodyTemporaryFamily[] = "qorFT";

std::string BatchTemporaryPath(const std::string& directory, std::string_view tag,
                               std::string_view family = kBatchTemporaryFamily);

class BatchTemporary {
 public:
  // Creates the file; raises CQORException when it cannot be created.
  BatchTemporary(FileLayer& files, const std::string& directory, std::string_view tag,
                 std::string_view family = kBatchTemporaryFamily);
  ~BatchTemporary();
  BatchTemporary(const BatchTemporary&) = delete;
  BatchTemporary& operator=(const BatchTemporary&) = delete;

  const std::string& path() const { return path_; }
  platform::OpenFile& file() { return *file_; }
  FileLayer& files() { return files_; }

 private:
  FileLayer& files_;
  std::string path_;
  std::unique_ptr<platform::OpenFile> file_;
};

}  // namespace qorv

#endif  // QORV_TRANSFER_BATCH_TEMPORARY_H_
