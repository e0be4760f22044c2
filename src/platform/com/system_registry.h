// The system registry's HKEY_CLASSES_ROOT on Windows, read into and written
// from the registry tree of registry.h. Declared with standard types only,
// so that callers need not see the Windows headers. Every call returns 0 or
// the system's error code.
#ifndef QORV_PLATFORM_COM_SYSTEM_REGISTRY_H_
#define QORV_PLATFORM_COM_SYSTEM_REGISTRY_H_

#include <string>

#include "platform/com/registry.h"

namespace qorv::platform {

// Copies the key `path` of HKEY_CLASSES_ROOT with everything below it (its
// string values) into `root` at the same path. A missing key copies nothing
// and is no failure.
int ReadClassesRootKey(const std::string& path, RegistryKey* root);

// Replaces the key `path` of HKEY_CLASSES_ROOT with everything below it by
// the key of the same path in `root`; removes it when `root` has none.
int ReplaceClassesRootKey(const std::string& path, const RegistryKey& root);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COM_SYSTEM_REGISTRY_H_
