#include "cli/path_arguments.h"

namespace qorv::cli {

std::string ServerPathArgument(std::string_view argument) {
  if (argument == "$" || argument.rfind("$/", 0) == 0) return std::string(argument);
  while (!argument.empty() && argument.front() == '/') argument.remove_prefix(1);
  return "$/" + std::string(argument);
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
