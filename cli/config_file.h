// The optional configuration file of qorv, with the defaults of the
// connection options: $XDG_CONFIG_HOME/qorv/config ($XDG_CONFIG_HOME when it
// is an absolute path, else $HOME/.config). A line is "key = value", blank,
// or a comment starting with "#"; white space around lines, keys and values
// is dropped, and the value is the rest of the line after the first "=" ("#"
// included). The keys are the long names of the options they stand for:
// server, user, database, password, proxy, key-file (may be repeated),
// ca-file and timeout. docs/cli.md describes the file for users.
#ifndef QORV_CLI_CONFIG_FILE_H_
#define QORV_CLI_CONFIG_FILE_H_

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qorv::cli {

// The file's path below the configuration folder.
inline constexpr char kConfigFileName[] = "qorv/config";

// A configuration file larger than this is refused: it cannot be one.
inline constexpr size_t kMaxConfigFileSize = 65536;

struct ConfigEntry {
  std::string key;
  std::string value;
  int line = 0;
};

struct ConfigFile {
  std::string path;  // empty when there is no file
  // Whether the file gives no permission to its group or others; only then
  // is its password used.
  bool owner_only = false;
  std::vector<ConfigEntry> entries;  // in the order of the file

  // The entry of `key`, or null (key-file: the first).
  const ConfigEntry* Find(std::string_view key) const;
  // Every entry of `key`, in the order of the file.
  std::vector<const ConfigEntry*> FindAll(std::string_view key) const;
  // "PATH:LINE: ", the start of a message about the entry.
  std::string Where(const ConfigEntry& entry) const;
};

// Reads the entries of `text` into file->entries, naming file->path in the
// messages. False with "PATH:LINE: ..." in *error for a line without "=",
// an unknown or empty key, or a key other than key-file given twice.
bool ParseConfigText(std::string_view text, ConfigFile* file, std::string* error);

using ConfigEnvironment = std::function<std::optional<std::string>(const char* name)>;

// The file's path from XDG_CONFIG_HOME and HOME as `environment` gives them;
// empty when neither is set (to an absolute path), and there is no file.
std::string ConfigFilePath(const ConfigEnvironment& environment);

// Reads and parses the file at `path`. A missing file (or an empty path) is
// an empty configuration; a file that cannot be read or parsed gives false
// with the message in *error.
bool LoadConfigFile(const std::string& path, ConfigFile* file, std::string* error);

}  // namespace qorv::cli

#endif  // QORV_CLI_CONFIG_FILE_H_
