#include "net/handshake.h"

#include <string>

namespace qorv {

bool IsClientVersionAccepted(std::string_view server_versions, std::string_view client_version) {
  if (server_versions == client_version) return true;
  if (server_versions.size() > client_version.size() + 1) {
    if (server_versions.substr(0, client_version.size()) == client_version &&
        server_versions[client_version.size()] == ',') {
      return true;
    }
    const size_t tail = server_versions.size() - client_version.size();
    if (server_versions[tail - 1] == ',' && server_versions.substr(tail) == client_version) {
      return true;
    }
  }
  const std::string inner = "," + std::string(client_version) + ",";
  return server_versions.find(inner) != std::string_view::npos;
}

}  // namespace qorv
