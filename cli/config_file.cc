#include "cli/config_file.h"

#include <algorithm>
#include <array>

#include "platform/console/local_probe.h"

namespace qorv::cli {
namespace {

constexpr std::array<std::string_view, 8> kKeys = {
    "server", "user", "database", "password", "proxy", "key-file", "ca-file", "timeout",
};

// The one key that may stand on several lines: each names one more file.
constexpr std::string_view kRepeatableKey = "key-file";

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

bool IsAbsolute(const std::optional<std::string>& path) {
  return path && !path->empty() && (*path)[0] == '/';
}

}  // namespace

const ConfigEntry* ConfigFile::Find(std::string_view key) const {
  for (const ConfigEntry& entry : entries) {
    if (entry.key == key) return &entry;
  }
  return nullptr;
}

std::vector<const ConfigEntry*> ConfigFile::FindAll(std::string_view key) const {
  std::vector<const ConfigEntry*> found;
  for (const ConfigEntry& entry : entries) {
    if (entry.key == key) found.push_back(&entry);
  }
  return found;
}

std::string ConfigFile::Where(const ConfigEntry& entry) const {
  return path + ":" + std::to_string(entry.line) + ": ";
}

bool ParseConfigText(std::string_view text, ConfigFile* file, std::string* error) {
  file->entries.clear();
  int number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (line.empty() || line[0] == '#') continue;
    const std::string where = file->path + ":" + std::to_string(number) + ": ";
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      *error = where + "expected \"key = value\", not \"" + std::string(line) + "\"";
      return false;
    }
    const std::string_view key = Trim(line.substr(0, equals));
    if (std::find(kKeys.begin(), kKeys.end(), key) == kKeys.end()) {
      *error = where + "unknown key \"" + std::string(key) +
               "\" (known: server, user, database, password, proxy, key-file, ca-file, timeout)";
      return false;
    }
    if (key != kRepeatableKey) {
      if (const ConfigEntry* earlier = file->Find(key)) {
        *error = where + std::string(key) + " is set twice (also on line " +
                 std::to_string(earlier->line) + ")";
        return false;
      }
    }
    file->entries.push_back({std::string(key), std::string(Trim(line.substr(equals + 1))), number});
  }
  return true;
}

std::string ConfigFilePath(const ConfigEnvironment& environment) {
  if (const std::optional<std::string> folder = environment("XDG_CONFIG_HOME");
      IsAbsolute(folder)) {
    return *folder + "/" + kConfigFileName;
  }
  if (const std::optional<std::string> home = environment("HOME"); IsAbsolute(home)) {
    return *home + "/.config/" + kConfigFileName;
  }
  return {};
}

bool LoadConfigFile(const std::string& path, ConfigFile* file, std::string* error) {
  *file = ConfigFile();
  if (path.empty()) return true;
  platform::SettingsFileRead read;
  std::string reason;
  if (!platform::ReadSettingsFile(path, kMaxConfigFileSize, &read, &reason)) {
    *error = "cannot read the configuration file " + path + ": " + reason;
    return false;
  }
  if (!read.exists) return true;
  file->path = path;
  file->owner_only = read.owner_only;
  return ParseConfigText(read.content, file, error);
}

}  // namespace qorv::cli
