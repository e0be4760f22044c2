// Helpers the benchmarks share: settings from the environment, running
// programs to their end, a private folder on a memory file system, and
// comparing files.
#ifndef QORV_BENCH_BENCH_TOOLS_H_
#define QORV_BENCH_BENCH_TOOLS_H_

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace qorv::bench {

// How long a program run by RunProgram may take.
inline constexpr int kProgramTimeoutMs = 30 * 60 * 1000;

// The variable's value as a number, or `fallback` when it is not set.
size_t FromEnvironment(const char* name, size_t fallback);

double Seconds(std::chrono::steady_clock::duration duration);

// Throws std::runtime_error with `what` when `condition` is false; the
// benchmark then ends with that text.
void Check(bool condition, const std::string& what);

// Runs a program to its end; its output is returned, a failure throws.
std::string RunProgram(const std::string& path, const std::vector<std::string>& arguments);
std::string Bash(const std::string& command);
// `text` in single quotes for bash.
std::string Quoted(const std::string& text);

// `prefix` + `number` with leading zeros to `width` digits.
std::string Padded(const std::string& prefix, size_t number, size_t width);

// Where the trees and their copies go: QORV_BENCH_TREE_DIR, else /dev/shm
// when it is there. On a memory file system the copies compare the
// transfer stacks themselves; on a disk, the time to create 10,000 files
// swings several-fold with what the file system last did (recently freed
// inodes, write-back) and drowns the difference.
std::filesystem::path TreeParent();

// A folder of its own under `parent`, removed with everything in it at the
// end.
class Workspace {
 public:
  explicit Workspace(const std::filesystem::path& parent);
  ~Workspace();
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  std::string Path(const std::string& name) const { return (root_ / name).string(); }

 private:
  std::filesystem::path root_;
};

bool SameContent(const std::string& a, const std::string& b);

// The directory of this program (build/<preset>/bench).
std::filesystem::path ProgramFolder();

}  // namespace qorv::bench

#endif  // QORV_BENCH_BENCH_TOOLS_H_
