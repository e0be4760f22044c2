#include <string>
#include <vector>

#include "platform/com/ascii_case.h"
#include "platform/com/win32_api.h"
#include "platform/console/local_paths.h"

namespace qorv::platform {
namespace {

// The extensions of programs when PATHEXT is not set.
constexpr char kDefaultProgramExtensions[] = ".COM;.EXE;.BAT;.CMD";

// The length of the part of `path` that is its root and keeps its "/" at the
// end: "C:/" (3), "//server/share/" (to the share's "/"), else 0.
size_t RootLength(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '/') return 3;
  if (path.size() >= 2 && path[0] == '/' && path[1] == '/') {
    const size_t server_end = path.find('/', 2);
    if (server_end == std::string::npos) return path.size();
    const size_t share_end = path.find('/', server_end + 1);
    return share_end == std::string::npos ? path.size() : share_end + 1;
  }
  return 0;
}

std::string Variable(const wchar_t* name) {
  const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::string();
  std::wstring value(size, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
  value.resize(length < size ? length : 0);
  return Utf8Text(value);
}

// The entries of a ";"-separated list, without empty ones and without the
// quotes that may surround an entry of PATH ("C:\Program Files\Tool").
std::vector<std::string> ListEntries(const std::string& list) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::string entry = list.substr(start, end - start);
    if (entry.size() >= 2 && entry.front() == '"' && entry.back() == '"') {
      entry = entry.substr(1, entry.size() - 2);
    }
    if (!entry.empty()) entries.push_back(entry);
    start = end + 1;
  }
  return entries;
}

// Whether the last name of `path` ends in one of `extensions`.
bool HasExtensionOf(const std::string& path, const std::vector<std::string>& extensions) {
  for (const std::string& extension : extensions) {
    if (path.size() > extension.size() &&
        EqualsIgnoringAsciiCase(path.substr(path.size() - extension.size()), extension)) {
      return true;
    }
  }
  return false;
}

// Why `path` cannot be run as a program; empty when it can. Windows runs a
// file by its extension, so one that PATHEXT does not name is no program.
std::string UnrunnableReason(const std::string& path, const std::vector<std::string>& extensions) {
  const DWORD attributes = ::GetFileAttributesW(WideText(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return SystemErrorText(LastFileError());
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "it is a folder";
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return "it is not a plain file";
  if (!HasExtensionOf(path, extensions)) return "its extension is not one of PATHEXT";
  return std::string();
}

// The program `base` names, as the command interpreter finds it: `base`
// itself when it has a program's extension, else `base` with the first
// extension of PATHEXT that makes it a program file. The reason is that of
// `base` itself when none does.
std::string FindWithExtensions(const std::string& base, const std::vector<std::string>& extensions,
                               std::string* reason) {
  *reason = UnrunnableReason(base, extensions);
  if (reason->empty()) return base;
  for (const std::string& extension : extensions) {
    if (UnrunnableReason(base + extension, extensions).empty()) {
      reason->clear();
      return base + extension;
    }
  }
  return std::string();
}

}  // namespace

// Paths come back with "/" between the names ("C:/work/src"): the
// command-line client and the SDK's local layer split and join local paths at
// "/", and every Windows file call takes it as it takes "\".
std::string AbsoluteLocalPath(const std::string& path) {
  // GetFullPathNameW resolves against the current folder (and a drive's own
  // current folder for "D:name") and normalises ".", ".." and repeated
  // separators without looking at the disk. The current folder of a Windows
  // process cannot be removed, so it is always found.
  const std::wstring wide = WideText(path.empty() ? std::string(".") : path);
  std::wstring full(MAX_PATH, L'\0');
  DWORD length =
      ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length);
    length =
        ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  std::string normal = length == 0 || length >= full.size()
                           ? path
                           : Utf8Text(std::wstring_view(full.data(), length));
  for (char& c : normal) {
    if (c == '\\') c = '/';
  }
  while (normal.size() > RootLength(normal) && normal.size() > 1 && normal.back() == '/') {
    normal.pop_back();
  }
  return normal;
}

std::string FindProgramFile(const std::string& name, std::string* reason) {
  std::string listed = Variable(L"PATHEXT");
  const std::vector<std::string> extensions =
      ListEntries(listed.empty() ? kDefaultProgramExtensions : listed);
  if (name.find_first_of("/\\:") != std::string::npos) {
    const std::string found = FindWithExtensions(name, extensions, reason);
    return found.empty() ? found : AbsoluteLocalPath(found);
  }
  // Only the folders of PATH, not the current folder first as the command
  // interpreter does: a program left in the folder being worked in is not
  // run by surprise.
  for (const std::string& folder : ListEntries(Variable(L"PATH"))) {
    std::string ignored;
    const std::string found = FindWithExtensions(folder + "\\" + name, extensions, &ignored);
    if (!found.empty()) {
      reason->clear();
      return AbsoluteLocalPath(found);
    }
  }
  *reason = "it is in no folder of PATH";
  return std::string();
}

}  // namespace qorv::platform
