// Test helpers: a fresh temporary folder removed at the end of the test, and
// environment variables restored at the end of the test.
#ifndef QORV_TESTS_SUPPORT_SCOPED_TEMP_H_
#define QORV_TESTS_SUPPORT_SCOPED_TEMP_H_

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/environment.h"

namespace qorv::testing {

class ScopedTempFolder {
 public:
  ScopedTempFolder() {
    std::random_device random;
    std::ostringstream name;
    name << "qorv-test-" << std::hex << random() << random();
    path_ = (std::filesystem::temp_directory_path() / name.str()).string();
    std::filesystem::create_directories(path_);
  }
  ~ScopedTempFolder() {
    // Read-only entries must not keep the folder from going.
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      if (!it->is_symlink()) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
      }
    }
    std::filesystem::remove_all(path_, ignored);
  }
  ScopedTempFolder(const ScopedTempFolder&) = delete;
  ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string Child(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

class ScopedEnvironment {
 public:
  ScopedEnvironment() = default;
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      platform::SetEnvironmentVariable(it->first, it->second);
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  void Set(const std::string& name, const std::optional<std::string>& value) {
    saved_.emplace_back(name, platform::GetEnvironmentVariable(name));
    platform::SetEnvironmentVariable(name, value);
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

inline void WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace qorv::testing

#endif  // QORV_TESTS_SUPPORT_SCOPED_TEMP_H_
