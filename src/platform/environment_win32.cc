#include "platform/com/win32_api.h"
#include "platform/environment.h"

namespace qorv::platform {

std::optional<std::string> GetEnvironmentVariable(const std::string& name) {
  std::wstring wide_name = WideText(name);
  DWORD length = ::GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (length == 0) return std::nullopt;
  std::wstring value(length, L'\0');
  length = ::GetEnvironmentVariableW(wide_name.c_str(), value.data(), length);
  value.resize(length);
  return Utf8Text(value);
}

void SetEnvironmentVariable(const std::string& name, const std::optional<std::string>& value) {
  ::SetEnvironmentVariableW(WideText(name).c_str(), value ? WideText(*value).c_str() : nullptr);
}

}  // namespace qorv::platform
