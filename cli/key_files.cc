#include "cli/key_files.h"

#include <string_view>

#include "platform/com/ascii_case.h"
#include "platform/console/local_probe.h"

namespace qorv::cli {
namespace {

// A key file is seven label lines, each followed by its value; the SDK reads
// at most 64 KiB of it (docs/key-file.md).
constexpr const char* kLabels[] = {"***UserName",      "***IsCacheServer", "***ServerName",
                                   "***KeyFileTypeID", "***Expires",       "***Key",
                                   "***Hash"};
constexpr size_t kLineCount = 14;
constexpr size_t kMaxKeyFileSize = 65536;

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kBlank = " \t\r\n\v\f";
  const size_t first = text.find_first_not_of(kBlank);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlank) - first + 1);
}

// The first lines of `text`, each without its LF or CR LF.
std::vector<std::string_view> FirstLines(std::string_view text, size_t count) {
  std::vector<std::string_view> lines;
  while (lines.size() < count && !text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// Why `path` cannot serve the login; empty when qorv sees no reason.
std::string Problem(const std::string& path, const std::string& server, const std::string& user) {
  std::string content, reason;
  if (!platform::ReadSmallFile(path, kMaxKeyFileSize, &content, &reason)) return reason;
  const std::vector<std::string_view> lines = FirstLines(content, kLineCount);
  for (size_t i = 0; i < std::size(kLabels); ++i) {
    if (lines.size() < kLineCount || lines[2 * i] != kLabels[i]) {
      return "it is not a user key file (no \"" + std::string(kLabels[i]) + "\" at line " +
             std::to_string(2 * i + 1) + ")";
    }
  }
  if (!EqualsIgnoringAsciiCase(lines[1], user)) {
    return "it is the key of user " + std::string(lines[1]) + ", not of " + user;
  }
  if (!EqualsIgnoringAsciiCase(lines[5], server)) {
    return "it was issued for the server " + std::string(lines[5]) + ", not for " + server;
  }
  return std::string();
}

}  // namespace

std::vector<std::string> KeyFileProblems(const std::vector<std::string>& files,
                                         const std::string& server, const std::string& user) {
  std::vector<std::string> problems;
  for (const std::string& file : files) {
    const std::string path(Trimmed(file));
    if (path.empty()) {
      problems.push_back("an empty --key-file name is passed over");
      continue;
    }
    const std::string problem = Problem(path, server, user);
    if (!problem.empty()) problems.push_back("key file " + path + " cannot be used: " + problem);
  }
  return problems;
}

}  // namespace qorv::cli
