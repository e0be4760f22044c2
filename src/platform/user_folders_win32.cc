#include "platform/com/win32_api.h"
#include "platform/user_folders.h"

// Needs the types of windows.h before it.
#include <shlobj.h>

namespace qorv::platform {
namespace {

// A known folder of the user, or empty when the system has none.
std::string KnownFolder(const KNOWNFOLDERID& id) {
  wchar_t* path = nullptr;
  std::string result;
  if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)) && path != nullptr) {
    result = Utf8Text(path);
  }
  ::CoTaskMemFree(path);
  return result;
}

}  // namespace

// The roaming application-data folder (%APPDATA%).
std::string ApplicationDataFolder() { return KnownFolder(FOLDERID_RoamingAppData); }

// The local application-data folder (%LOCALAPPDATA%), which is not roamed.
std::string UserCacheFolder() { return KnownFolder(FOLDERID_LocalAppData); }

std::string ProfileFolder() { return KnownFolder(FOLDERID_Profile); }

}  // namespace qorv::platform
