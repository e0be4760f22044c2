#include "cli/path_arguments.h"

namespace qorv::cli {

namespace {

// The path with "$/" in front, as typed otherwise.
std::string RootedPath(std::string_view argument) {
  if (argument == "$" || argument.rfind("$/", 0) == 0) return std::string(argument);
  while (!argument.empty() && argument.front() == '/') argument.remove_prefix(1);
  return "$/" + std::string(argument);
}

}  // namespace

std::string ServerPathArgument(std::string_view argument) {
  std::string path = RootedPath(argument);
  if (path.size() > 2 && path.back() == '/') path.pop_back();
  return path;
}

std::string ServerPathProblem(std::string_view argument) {
  for (const char c : argument) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      return "a name holds a control character (a line break, a tab)";
    }
  }
  const std::string path = RootedPath(argument);
  if (path == "$" || path == "$/") return std::string();
  std::string_view names = std::string_view(path).substr(2);
  if (names.back() == '/') names.remove_suffix(1);  // one "/" at the end is allowed
  for (size_t start = 0;;) {
    const size_t slash = names.find('/', start);
    if (slash == start || start == names.size()) {
      return "it has an empty name (two \"/\" in a row)";
    }
    if (slash == std::string_view::npos) return std::string();
    start = slash + 1;
  }
}

std::string ParentPath(std::string_view server_path) {
  const size_t slash = server_path.rfind('/');
  if (slash == std::string_view::npos || slash < 2) return "$/";
  return std::string(server_path.substr(0, slash));
}

std::string LeafName(std::string_view server_path) {
  while (server_path.size() > 2 && server_path.back() == '/') server_path.remove_suffix(1);
  const size_t slash = server_path.rfind('/');
  return std::string(slash == std::string_view::npos ? server_path : server_path.substr(slash + 1));
}

std::string JoinServerPath(std::string_view parent, std::string_view name) {
  std::string path(parent);
  if (path.empty() || path.back() != '/') path += '/';
  return path + std::string(name);
}

}  // namespace qorv::cli
