#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <vector>

#include "platform/user_folders.h"

namespace qorv::platform {

std::string ProfileFolder() {
  const char* home = ::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return home;
  long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 16384);
  passwd entry;
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr || found->pw_dir == nullptr) {
    return std::string();
  }
  return found->pw_dir;
}

namespace {

// $<variable> when it holds an absolute path, else the profile folder +
// "/" + `below_profile`.
std::string XdgFolder(const char* variable, const char* below_profile) {
  const char* value = ::getenv(variable);
  if (value != nullptr && value[0] == '/') return value;
  std::string profile = ProfileFolder();
  if (profile.empty()) return profile;
  if (profile.back() != '/') profile += '/';
  return profile + below_profile;
}

}  // namespace

std::string ApplicationDataFolder() { return XdgFolder("XDG_CONFIG_HOME", ".config"); }

std::string UserCacheFolder() { return XdgFolder("XDG_CACHE_HOME", ".cache"); }

}  // namespace qorv::platform
