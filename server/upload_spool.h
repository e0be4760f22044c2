// The spool folder "<data>/spool": uploaded bodies (command 64) wait there
// as files until a command takes them or their session ends. It is emptied
// when the server starts, so nothing a stopped server held survives it.
#ifndef QORV_SERVER_UPLOAD_SPOOL_H_
#define QORV_SERVER_UPLOAD_SPOOL_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/file.h"

namespace qorv::server {

inline constexpr char kSpoolFolderName[] = "spool";

// One spool file; removed when its last holder lets go of it, on every
// path (consumed, replaced, discarded, a failed upload, a session ending).
class SpoolFile {
 public:
  explicit SpoolFile(std::string path) : path_(std::move(path)) {}
  ~SpoolFile();
  SpoolFile(const SpoolFile&) = delete;
  SpoolFile& operator=(const SpoolFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class SpoolFolder {
 public:
  explicit SpoolFolder(std::string folder) : folder_(std::move(folder)) {}

  // Creates the folder when missing and removes every file left in it.
  bool Prepare(std::string* error);

  // A new, empty spool file opened for writing in *file. Null with the
  // reason in *error when it cannot be made.
  std::shared_ptr<SpoolFile> NewFile(platform::File* file, std::string* error);

  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
  std::atomic<uint64_t> counter_{0};
};

}  // namespace qorv::server

#endif  // QORV_SERVER_UPLOAD_SPOOL_H_
