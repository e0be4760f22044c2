// Local paths as a command-line program takes them from its user: made
// absolute against the process's current folder, so that what the SDK
// records in its local cache names the same place from any folder; and a
// program named as a shell would run it, found as a file.
#ifndef QORV_PLATFORM_CONSOLE_LOCAL_PATHS_H_
#define QORV_PLATFORM_CONSOLE_LOCAL_PATHS_H_

#include <string>

namespace qorv::platform {

// `path` made absolute against the current folder and lexically normalised
// ("." and ".." names resolved, repeated "/" and a "/" at the end dropped);
// "" is the current folder. When the current folder cannot be found (it was
// removed), a relative path is only normalised.
std::string AbsoluteLocalPath(const std::string& path);

// The file of the program `name`, as a shell finds it: a name holding "/"
// is that file (made absolute), any other the first executable plain file
// of that name in the folders of $PATH. Empty, with the reason in *reason
// ("it is in no folder of PATH", the system's text, "it is a folder"), when
// there is none that can be run.
std::string FindProgramFile(const std::string& name, std::string* reason);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_CONSOLE_LOCAL_PATHS_H_
