// The process environment.
#ifndef QORV_PLATFORM_ENVIRONMENT_H_
#define QORV_PLATFORM_ENVIRONMENT_H_

#include <optional>
#include <string>

namespace qorv::platform {

// The variable's value; nothing when it is not set.
std::optional<std::string> GetEnvironmentVariable(const std::string& name);

// Sets the variable, or removes it when `value` holds nothing. A change of
// "TZ" takes effect for the local-time conversions at once. Not safe while
// other threads read the environment.
void SetEnvironmentVariable(const std::string& name, const std::optional<std::string>& value);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_ENVIRONMENT_H_
