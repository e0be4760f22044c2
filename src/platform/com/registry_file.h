// The registry file: where it is, reading it, and changing it safely.
//
// Readers take no lock: a writer never changes the file in place but writes
// a new file beside it and renames it over the old one, so a reader sees the
// old registry or the new one, never a mix. Writers serialise on an
// exclusive lock of "<registry>.lock", kept beside the registry, so two
// processes registering at once both land; a crash mid-write leaves the old
// file intact (and at worst a stale "<registry>.tmp.*" file).
#ifndef QORV_PLATFORM_COM_REGISTRY_FILE_H_
#define QORV_PLATFORM_COM_REGISTRY_FILE_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/registry.h"
#include "qorvsdk/comtypes.h"

namespace qorv::platform {

// $QORV_REGISTRY when set and not empty; else "qorvsdk/registry.reg" under
// $XDG_CONFIG_HOME when that is an absolute path, else under $HOME/.config.
// Nothing when none of these is available.
std::optional<std::string> RegistryFilePath();

// The system-wide registry, which a package installation writes:
// $QORV_SYSTEM_REGISTRY when set and not empty, else
// "/etc/qorvsdk/registry.reg".
std::string SystemRegistryFilePath();

// The files activation reads, in the order they are laid over each other:
// $QORV_REGISTRY alone when that is set and not empty; else the system-wide
// file, then the per-user one (when there is one), whose keys and values win.
std::vector<std::string> RegistryReadPaths();

// Reads every file of RegistryReadPaths() into `root`, each over the ones
// before it. REGDB_E_READREGDB when one of them cannot be read or parsed.
HRESULT ReadActiveRegistry(RegistryKey* root);

// Reads and parses the file into `root`. A missing or empty file is an empty
// registry. REGDB_E_READREGDB when it cannot be read or parsed.
HRESULT ReadRegistryFile(const std::string& path, RegistryKey* root);
// The same, with the reason a file cannot be used in *problem (when given):
// the system's text ("Permission denied", "Is a directory") or the parser's
// ("line 3: ...").
HRESULT ReadRegistryFile(const std::string& path, RegistryKey* root, std::string* problem);

// Under the writers' lock: reads the registry, lets `edit` change it, and
// writes the result beside the file and renames it into place. When `edit`
// fails, nothing is written and its HRESULT is returned. REGDB_E_READREGDB
// when the current file cannot be read or parsed (it is never overwritten
// then), REGDB_E_WRITEREGDB when the new one cannot be written. Creates the
// file's folder when it is missing.
HRESULT UpdateRegistryFile(const std::string& path,
                           const std::function<HRESULT(RegistryKey& root)>& edit);

// Edits the keys `owned` (paths below the classes root, each with
// everything below it) of the registry in use: the file of
// RegistryFilePath() here, the system's HKEY_CLASSES_ROOT on Windows, where
// only those keys are read into the tree `edit` sees and written back.
// `edit` must change nothing outside them. REGDB_E_WRITEREGDB when there is
// no registry or it cannot be written, else as UpdateRegistryFile.
HRESULT UpdateRegisteredKeys(const std::vector<std::string>& owned,
                             const std::function<HRESULT(RegistryKey& root)>& edit);

// Environment access for the registry location and for tests that point the
// registry somewhere else.
std::optional<std::string> GetEnvVar(const char* name);
bool SetEnvVar(const char* name, const std::string& value);
bool UnsetEnvVar(const char* name);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COM_REGISTRY_FILE_H_
