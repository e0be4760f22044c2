#include "server/fault_hooks.h"

#include <charconv>

namespace qorv::server {
namespace {

bool ParseInt32(std::string_view text, int32_t* value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  auto [rest, error] = std::from_chars(text.data(), end, *value);
  return error == std::errc() && rest == end;
}

}  // namespace

bool ParseInjectedStatus(std::string_view text, int32_t* code, InjectedStatus* injected) {
  const size_t first = text.find(':');
  if (first == std::string_view::npos) return false;
  const size_t second = text.find(':', first + 1);
  const std::string_view status_text = text.substr(
      first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1);
  InjectedStatus parsed;
  if (!ParseInt32(text.substr(0, first), code) || !ParseInt32(status_text, &parsed.status)) {
    return false;
  }
  if (*code < 0 || *code > 255) return false;
  if (second != std::string_view::npos) parsed.text = std::string(text.substr(second + 1));
  *injected = std::move(parsed);
  return true;
}

}  // namespace qorv::server
