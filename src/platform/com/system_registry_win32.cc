#include "platform/com/system_registry.h"
#include "platform/com/win32_api.h"

namespace qorv::platform {
namespace {

// Reads the values and subkeys of an open key into `into`.
int ReadOpenKey(HKEY key, RegistryKey* into) {
  DWORD subkeys = 0, longest_subkey = 0, values = 0, longest_name = 0, longest_data = 0;
  LONG status =
      ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr,
                         &values, &longest_name, &longest_data, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return status;
  for (DWORD i = 0; i < values; ++i) {
    std::wstring name(longest_name + 1, L'\0');
    std::wstring data(longest_data / sizeof(wchar_t) + 1, L'\0');
    DWORD name_length = static_cast<DWORD>(name.size());
    DWORD data_bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    DWORD type = 0;
    status = ::RegEnumValueW(key, i, name.data(), &name_length, nullptr, &type,
                             reinterpret_cast<BYTE*>(data.data()), &data_bytes);
    if (status != ERROR_SUCCESS) return status;
    if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
    name.resize(name_length);
    data.resize(data_bytes / sizeof(wchar_t));
    while (!data.empty() && data.back() == L'\0') data.pop_back();
    into->SetValue(Utf8Text(name), Utf8Text(data));
  }
  for (DWORD i = 0; i < subkeys; ++i) {
    std::wstring name(longest_subkey + 1, L'\0');
    DWORD name_length = static_cast<DWORD>(name.size());
    status = ::RegEnumKeyExW(key, i, name.data(), &name_length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
    name.resize(name_length);
    HKEY subkey = nullptr;
    status = ::RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, &subkey);
    if (status != ERROR_SUCCESS) return status;
    RegistryKey* child = into->Create(Utf8Text(name));
    status = child != nullptr ? ReadOpenKey(subkey, child) : ERROR_INVALID_DATA;
    ::RegCloseKey(subkey);
    if (status != ERROR_SUCCESS) return status;
  }
  return 0;
}

int WriteKey(HKEY parent, const std::wstring& path, const RegistryKey& key) {
  HKEY created = nullptr;
  LONG status = ::RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE, nullptr, &created, nullptr);
  if (status != ERROR_SUCCESS) return status;
  for (const auto& [name, value] : key.values()) {
    std::wstring data = WideText(value);
    status = ::RegSetValueExW(created, WideText(name).c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(data.c_str()),
                              static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) break;
  }
  ::RegCloseKey(created);
  return status;
}

}  // namespace

int ReadClassesRootKey(const std::string& path, RegistryKey* root) {
  HKEY key = nullptr;
  LONG status = ::RegOpenKeyExW(HKEY_CLASSES_ROOT, WideText(path).c_str(), 0, KEY_READ, &key);
  if (status == ERROR_FILE_NOT_FOUND) return 0;
  if (status != ERROR_SUCCESS) return status;
  RegistryKey* into = root->Create(path);
  int error = into != nullptr ? ReadOpenKey(key, into) : ERROR_INVALID_DATA;
  ::RegCloseKey(key);
  return error;
}

int ReplaceClassesRootKey(const std::string& path, const RegistryKey& root) {
  LONG status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, WideText(path).c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return status;
  const RegistryKey* replacement = root.Find(path);
  if (replacement == nullptr) return 0;
  // Parents before children, as ForEachKey visits them.
  int error = WriteKey(HKEY_CLASSES_ROOT, WideText(path), *replacement);
  replacement->ForEachKey([&](const std::string& below, const RegistryKey& key) {
    if (error == 0) error = WriteKey(HKEY_CLASSES_ROOT, WideText(path + "\\" + below), key);
  });
  return error;
}

}  // namespace qorv::platform
