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

std::string ApplicationDataFolder() {
  const char* config = ::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return config;
  std::string profile = ProfileFolder();
  if (profile.empty()) return profile;
  if (profile.back() != '/') profile += '/';
  return profile + ".config";
}

}  // namespace qorv::platform
