// The temporary file of one batch, in the engine's temporary directory:
//   "~_~_~_" + tag + "qorserver" + local time (MMDDYYhhmmss) + process id +
//   thread id + "Q2O3R~_.tmp"
// or of one body form or step of it (the zip archive sent or received, the
// file unpacked from one, the digest and delta-information files), the same
// with "qorFT" in place of "qorserver"
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

enum class TemporaryKind { kBatch, kBody };

// The name above, below `directory` (a '/' is put between them when the
// directory does not end with one).
std::string BatchTemporaryPath(const std::string& directory, std::string_view tag,
                               TemporaryKind kind = TemporaryKind::kBatch);

class BatchTemporary {
 public:
  // Creates the file; raises CQORException when it cannot be created.
  BatchTemporary(FileLayer& files, const std::string& directory, std::string_view tag,
                 TemporaryKind kind = TemporaryKind::kBatch);
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
