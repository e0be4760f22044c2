// The registry tree that stands in for HKEY_CLASSES_ROOT, and its text form
// (docs/registry.md). Pure data: reading and writing the file is in
// registry_file.h.
//
// Keys hold string values by name (the empty name is the key's default
// value) and subkeys. Key and value names compare ignoring ASCII letter case
// and keep the spelling they were created with.
#ifndef QORV_PLATFORM_COM_REGISTRY_H_
#define QORV_PLATFORM_COM_REGISTRY_H_

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace qorv::platform {

struct IgnoreAsciiCaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  RegistryKey(RegistryKey&&) = default;
  RegistryKey& operator=(RegistryKey&&) = default;

  // `path` is relative to this key, components separated by "\". An empty
  // path is this key itself.
  const RegistryKey* Find(std::string_view path) const;
  RegistryKey* Find(std::string_view path);

  // Finds or creates every key along `path`. Null when a component is empty
  // or holds a character the file cannot carry (control characters).
  RegistryKey* Create(std::string_view path);

  // Removes the key at `path` with everything below it; false when absent.
  bool Remove(std::string_view path);

  // The value `name` ("" for the default value), or null.
  const std::string* Value(std::string_view name) const;
  // False when the name holds a control character.
  bool SetValue(std::string_view name, std::string_view value);

  bool IsEmpty() const { return values_.empty() && subkeys_.empty(); }

  // Visits every key below this one, parents before children, siblings in
  // name order, with its path relative to this key.
  void ForEachKey(
      const std::function<void(const std::string& path, const RegistryKey& key)>& visit) const;

  const std::map<std::string, std::string, IgnoreAsciiCaseLess>& values() const { return values_; }

 private:
  void ForEachKeyBelow(
      const std::string& prefix,
      const std::function<void(const std::string&, const RegistryKey&)>& visit) const;

  std::map<std::string, std::string, IgnoreAsciiCaseLess> values_;
  std::map<std::string, std::unique_ptr<RegistryKey>, IgnoreAsciiCaseLess> subkeys_;
};

// The text form of a whole registry (the root key's subtree).
std::string SerializeRegistry(const RegistryKey& root);

// Parses the text form into `root` (which should be empty). An empty text is
// an empty registry. On failure returns false and names the line in `error`.
bool ParseRegistry(std::string_view text, RegistryKey* root, std::string* error);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COM_REGISTRY_H_
