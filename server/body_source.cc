#include "server/body_source.h"

#include <algorithm>
#include <cstring>

#include "platform/os_error.h"

namespace qorv::server {

bool MemoryBodySource::Read(char* buffer, size_t length, size_t* got, std::string*) {
  *got = std::min(length, bytes_.size() - position_);
  std::memcpy(buffer, bytes_.data() + position_, *got);
  position_ += *got;
  return true;
}

bool FileBodySource::Rewind(std::string* error) {
  if (file_.is_open()) {
    if (const int code = file_.Seek(0); code != 0) {
      *error = "cannot read " + path_ + ": " + platform::OsErrorText(code);
      return false;
    }
    return true;
  }
  const int code = platform::File::Open(path_, platform::FileAccess::kRead,
                                        platform::FileCreation::kOpenExisting,
                                        platform::FileSharing::kShared, &file_);
  if (code != 0) {
    *error = "cannot open " + path_ + ": " + platform::OsErrorText(code);
    return false;
  }
  return true;
}

bool FileBodySource::Read(char* buffer, size_t length, size_t* got, std::string* error) {
  *got = 0;
  if (!file_.is_open() && !Rewind(error)) return false;
  if (const int code = file_.Read(buffer, length, got); code != 0) {
    *error = "cannot read " + path_ + ": " + platform::OsErrorText(code);
    return false;
  }
  return true;
}

}  // namespace qorv::server
