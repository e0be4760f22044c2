#include <limits.h>
#include <unistd.h>

#include <filesystem>

#include "platform/console/local_paths.h"

namespace qorv::platform {

std::string AbsoluteLocalPath(const std::string& path) {
  std::string full = path;
  if (full.empty() || full.front() != '/') {
    char current[PATH_MAX];
    if (::getcwd(current, sizeof current) != nullptr) {
      full = full.empty() ? std::string(current) : std::string(current) + "/" + full;
    } else if (full.empty()) {
      full = ".";
    }
  }
  std::string normal = std::filesystem::path(full).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

}  // namespace qorv::platform
