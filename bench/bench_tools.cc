#include "bench_tools.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <random>
#include <stdexcept>
#include <system_error>

#include "platform/captured_program.h"
#include "platform/environment.h"

namespace qorv::bench {

namespace fs = std::filesystem;

size_t FromEnvironment(const char* name, size_t fallback) {
  const std::optional<std::string> value = platform::GetEnvironmentVariable(name);
  return value && !value->empty() ? std::strtoull(value->c_str(), nullptr, 10) : fallback;
}

double Seconds(std::chrono::steady_clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

void Check(bool condition, const std::string& what) {
  if (!condition) throw std::runtime_error(what);
}

std::string RunProgram(const std::string& path, const std::vector<std::string>& arguments) {
  platform::CapturedProgram program;
  Check(program.Start(path, arguments, {}, "") == 0, "cannot start " + path);
  int exit_code = -1;
  Check(program.Finish(kProgramTimeoutMs, &exit_code) && exit_code == 0,
        path + " failed: " + program.err());
  return program.out();
}

std::string Bash(const std::string& command) { return RunProgram("/bin/bash", {"-c", command}); }

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string Padded(const std::string& prefix, size_t number, size_t width) {
  std::string digits = std::to_string(number);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return prefix + digits;
}

fs::path TreeParent() {
  if (const std::optional<std::string> chosen =
          platform::GetEnvironmentVariable("QORV_BENCH_TREE_DIR");
      chosen && !chosen->empty()) {
    return *chosen;
  }
  std::error_code error;
  if (fs::is_directory("/dev/shm", error)) return "/dev/shm";
  return fs::temp_directory_path();
}

Workspace::Workspace(const fs::path& parent) {
  std::random_device random;
  root_ = parent / ("qorv-bench-" + std::to_string(random()));
  fs::create_directories(root_);
}

Workspace::~Workspace() {
  std::error_code ignored;
  // A get leaves its files read-only; their folders stay writable, so they
  // go as well.
  fs::remove_all(root_, ignored);
}

bool SameContent(const std::string& a, const std::string& b) {
  std::ifstream left(a, std::ios::binary);
  std::ifstream right(b, std::ios::binary);
  std::vector<char> x(1 << 16);
  std::vector<char> y(1 << 16);
  while (left && right) {
    left.read(x.data(), static_cast<std::streamsize>(x.size()));
    right.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (left.gcount() != right.gcount() ||
        !std::equal(x.begin(), x.begin() + left.gcount(), y.begin())) {
      return false;
    }
  }
  return left.eof() && right.eof();
}

fs::path ProgramFolder() { return fs::canonical("/proc/self/exe").parent_path(); }

}  // namespace qorv::bench
