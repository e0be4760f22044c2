#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/console/local_paths.h"

namespace qorv::platform {

std::string AbsoluteLocalPath(const std::string& path) {
  // Built by appending only: GCC 12 at -O3 warns falsely (-Wrestrict) about
  // strings joined to or assigned from literals here.
  std::string full;
  if (!path.empty() && path.front() == '/') {
    full.append(path);
  } else {
    char current[PATH_MAX];
    if (::getcwd(current, sizeof current) != nullptr) {
      full.append(current);
      if (!path.empty()) full.append("/").append(path);
    } else {
      full.append(path.empty() ? std::string_view(".") : std::string_view(path));
    }
  }
  std::string normal = std::filesystem::path(full).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

namespace {

std::string ErrorText(int error) {
  char text[256];
  // The GNU strerror_r returns a pointer to the text, which may or may not
  // be the buffer.
  return ::strerror_r(error, text, sizeof text);
}

// Why `path` cannot be run as a program; empty when it can.
std::string UnrunnableReason(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return ErrorText(errno);
  if (S_ISDIR(info.st_mode)) return "it is a folder";
  if (!S_ISREG(info.st_mode)) return "it is not a plain file";
  if (::access(path.c_str(), X_OK) != 0) return ErrorText(errno);
  return std::string();
}

}  // namespace

std::string FindProgramFile(const std::string& name, std::string* reason) {
  if (name.find('/') != std::string::npos) {
    *reason = UnrunnableReason(name);
    return reason->empty() ? AbsoluteLocalPath(name) : std::string();
  }
  const char* variable = ::getenv("PATH");
  const std::string folders = variable != nullptr ? variable : "";
  for (size_t start = 0; start <= folders.size();) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    // An empty entry is the current folder, as for the shell.
    const std::string folder = end == start ? "." : folders.substr(start, end - start);
    std::string candidate = folder;
    candidate.append("/").append(name);
    if (UnrunnableReason(candidate).empty()) {
      reason->clear();
      return AbsoluteLocalPath(candidate);
    }
    start = end + 1;
  }
  *reason = "it is in no folder of PATH";
  return std::string();
}

}  // namespace qorv::platform
