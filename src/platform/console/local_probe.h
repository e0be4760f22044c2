// Questions a command-line program asks the system to tell its user why
// something failed: whether a file it was given can be read, and why a
// server cannot be reached. The answers are the system's own texts.
#ifndef QORV_PLATFORM_CONSOLE_LOCAL_PROBE_H_
#define QORV_PLATFORM_CONSOLE_LOCAL_PROBE_H_

#include <cstddef>
#include <string>

namespace qorv::platform {

// Why `path` cannot be read as a plain file: the system's text ("No such
// file or directory", "Permission denied"), "it is a folder" or "it is not
// a plain file" (a device, a pipe); empty when it opens for reading.
std::string UnreadableFileReason(const std::string& path);

// Whether `path` names a folder (following a symbolic link).
bool IsLocalFolder(const std::string& path);

// Reads a plain file of at most `limit` bytes whole. False with the reason
// in *reason otherwise (as UnreadableFileReason, or "it is larger than N
// bytes").
bool ReadSmallFile(const std::string& path, size_t limit, std::string* content,
                   std::string* reason);

// A settings file read whole: whether there is one, what it holds, and
// whether it gives no permission at all to its group or to others (mode
// 0600, 0400, 0700 and the like), the rule for a file that may hold a
// password. The mode is that of the file actually read.
struct SettingsFileRead {
  bool exists = false;  // false: nothing at the path (nor its folder)
  bool owner_only = false;
  std::string content;
};

// Reads the file at `path` as ReadSmallFile does. True when it was read or
// does not exist (read->exists false); false with the reason otherwise.
bool ReadSettingsFile(const std::string& path, size_t limit, SettingsFileRead* read,
                      std::string* reason);

// Why a TCP connection to `host`:`port` cannot be made: the resolver's text
// for a name it cannot resolve ("Name or service not known"), the system's
// for a refused or failed connect ("Connection refused"), or "no answer
// within N seconds"; empty when a connection was made (and closed at once).
std::string UnreachableReason(const std::string& host, int port, int timeout_ms);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_CONSOLE_LOCAL_PROBE_H_
