#include "net/handshake.h"

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
  // Anywhere between two commas.
  for (size_t at = server_versions.find(client_version); at != std::string_view::npos;
       at = server_versions.find(client_version, at + 1)) {
    const size_t end = at + client_version.size();
    if (at > 0 && server_versions[at - 1] == ',' && end < server_versions.size() &&
        server_versions[end] == ',') {
      return true;
    }
  }
  return false;
}

}  // namespace qorv
