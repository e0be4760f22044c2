// Whole-file reads and writes and folder listings for tests that check
// working folders: what a file holds, and which files a folder has.
#ifndef QORV_TESTS_SUPPORT_TEST_FILES_H_
#define QORV_TESTS_SUPPORT_TEST_FILES_H_

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace qorv::testing {

// The file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes `text` over the file (made writable first), creating its folder;
// with `read_only` the file is left without write permission, as a get
// leaves a file that is not checked out.
inline void WriteFile(const std::string& path, const std::string& text, bool read_only) {
  namespace fs = std::filesystem;
  fs::create_directories(fs::path(path).parent_path());
  if (fs::exists(path)) fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  if (read_only) fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
}

// Every regular file below `folder`, by path in sorted order; none when
// the folder does not exist.
inline std::vector<std::string> FilesBelow(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace qorv::testing

#endif  // QORV_TESTS_SUPPORT_TEST_FILES_H_
