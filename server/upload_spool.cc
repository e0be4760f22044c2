#include "server/upload_spool.h"

#include <vector>

#include "platform/file_system.h"
#include "platform/os_error.h"

namespace qorv::server {

SpoolFile::~SpoolFile() { platform::DeleteFile(path_); }

bool SpoolFolder::Prepare(std::string* error) {
  std::vector<platform::FolderEntry> entries;
  int code = platform::ListFolder(folder_, &entries);
  if (code == platform::OsErrorNotFound()) {
    code = platform::CreateFolder(folder_);
    if (code != 0) {
      *error = "cannot create " + folder_ + ": " + platform::OsErrorText(code);
      return false;
    }
    return true;
  }
  if (code != 0) {
    *error = "cannot read " + folder_ + ": " + platform::OsErrorText(code);
    return false;
  }
  for (const platform::FolderEntry& entry : entries) {
    if (entry.is_directory) continue;
    code = platform::DeleteFile(folder_ + "/" + entry.name);
    if (code != 0) {
      *error = "cannot remove " + folder_ + "/" + entry.name + ": " + platform::OsErrorText(code);
      return false;
    }
  }
  return true;
}

std::shared_ptr<SpoolFile> SpoolFolder::NewFile(platform::File* file, std::string* error) {
  const uint64_t number = counter_.fetch_add(1) + 1;
  std::string path = folder_ + "/upload-" + std::to_string(number) + ".part";
  const int code = platform::File::Open(path, platform::FileAccess::kReadWrite,
                                        platform::FileCreation::kCreateAlways,
                                        platform::FileSharing::kShared, file);
  if (code != 0) {
    *error = "cannot create " + path + ": " + platform::OsErrorText(code);
    return nullptr;
  }
  return std::make_shared<SpoolFile>(std::move(path));
}

}  // namespace qorv::server
