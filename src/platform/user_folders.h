// The user's cache, application-data and profile (home) folders.
#ifndef QORV_PLATFORM_USER_FOLDERS_H_
#define QORV_PLATFORM_USER_FOLDERS_H_

#include <string>

namespace qorv::platform {

// $XDG_CONFIG_HOME when it is set to an absolute path, else the profile
// folder + "/.config". Empty when neither can be found.
std::string ApplicationDataFolder();

// The user's folder for data that can be made again: $XDG_CACHE_HOME when it
// is set to an absolute path, else the profile folder + "/.cache". Empty when
// neither can be found.
std::string UserCacheFolder();

// $HOME when it is set and not empty, else the home folder of the user's
// account entry. Empty when neither can be found.
std::string ProfileFolder();

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_USER_FOLDERS_H_
