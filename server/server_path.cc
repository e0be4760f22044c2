#include "server/server_path.h"

#include <algorithm>

#include "platform/com/ascii_case.h"

namespace qorv::server {
namespace {

constexpr size_t kMaxItemName = 255;
constexpr size_t kMaxDatabaseName = 64;
constexpr size_t kMaxUserName = 64;
constexpr size_t kMaxLabelName = 255;
constexpr std::string_view kForbiddenInNames = "/\\:*?\"<>|";

bool HasControlByte(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

}  // namespace

std::string ServerPath::ToString() const {
  std::string out = "$/";
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out.push_back('/');
    out.append(names[i]);
  }
  return out;
}

ServerPath ServerPath::Parent() const {
  ServerPath parent = *this;
  if (!parent.names.empty()) parent.names.pop_back();
  return parent;
}

const std::string& ServerPath::Leaf() const {
  static const std::string kEmpty;
  return names.empty() ? kEmpty : names.back();
}

ServerPath ServerPath::Child(std::string_view name) const {
  ServerPath child = *this;
  child.names.emplace_back(name);
  return child;
}

std::optional<ServerPath> ParseServerPath(std::string_view text) {
  ServerPath path;
  if (text == "$") return path;
  if (text.size() < 2 || text[0] != '$' || text[1] != '/') return std::nullopt;
  std::string_view rest = text.substr(2);
  if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
  if (rest.empty()) return path;
  while (true) {
    size_t slash = rest.find('/');
    std::string_view name = rest.substr(0, slash);
    if (!IsValidItemName(name)) return std::nullopt;
    path.names.emplace_back(name);
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  return path;
}

bool IsValidItemName(std::string_view name) {
  if (name.empty() || name.size() > kMaxItemName) return false;
  if (name == "." || name == ".." || name[0] == '$') return false;
  if (HasControlByte(name)) return false;
  return name.find_first_of(kForbiddenInNames) == std::string_view::npos;
}

bool IsValidDatabaseName(std::string_view name) {
  if (name.empty() || name.size() > kMaxDatabaseName || name[0] == '.') return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
  });
}

bool IsValidUserName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxUserName && !HasControlByte(name);
}

bool IsValidLabelName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxLabelName && !HasControlByte(name);
}

std::string FoldCase(std::string_view text) { return AsciiUpper(text); }

bool EqualsNoCase(std::string_view a, std::string_view b) { return EqualsIgnoringAsciiCase(a, b); }

bool LessNoCase(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(AsciiUpper(a[i]));
    unsigned char y = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

}  // namespace qorv::server
