// Local paths as a command-line program takes them from its user: made
// absolute against the process's current folder, so that what the SDK
// records in its local cache names the same place from any folder.
#ifndef QORV_PLATFORM_CONSOLE_LOCAL_PATHS_H_
#define QORV_PLATFORM_CONSOLE_LOCAL_PATHS_H_

#include <string>

namespace qorv::platform {

// `path` made absolute against the current folder and lexically normalised
// ("." and ".." names resolved, repeated "/" and a "/" at the end dropped);
// "" is the current folder. When the current folder cannot be found (it was
// removed), a relative path is only normalised.
std::string AbsoluteLocalPath(const std::string& path);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_CONSOLE_LOCAL_PATHS_H_
