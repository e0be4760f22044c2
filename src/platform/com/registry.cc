#include "platform/com/registry.h"

#include <vector>

#include "platform/com/ascii_case.h"

namespace qorv::platform {
namespace {

// The first line of every registry file.
constexpr std::string_view kHeader = "QORV-REGISTRY 1";
constexpr char kSeparator = '\\';

bool HasControlCharacter(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  }
  return false;
}

// Splits "A\B\C" into its components; an empty path has none.
std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  if (path.empty()) return parts;
  size_t start = 0;
  while (true) {
    size_t end = path.find(kSeparator, start);
    parts.push_back(path.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

void AppendQuoted(std::string_view text, std::string* out) {
  out->push_back('"');
  for (char c : text) {
    switch (c) {
      case '\\':
        out->append("\\\\");
        break;
      case '"':
        out->append("\\\"");
        break;
      case '\n':
        out->append("\\n");
        break;
      case '\r':
        out->append("\\r");
        break;
      default:
        out->push_back(c);
    }
  }
  out->push_back('"');
}

// Reads a quoted string at the start of `line`, advancing past it.
bool ReadQuoted(std::string_view* line, std::string* text) {
  if (line->empty() || line->front() != '"') return false;
  text->clear();
  size_t i = 1;
  for (; i < line->size(); ++i) {
    char c = (*line)[i];
    if (c == '"') break;
    if (c != '\\') {
      text->push_back(c);
      continue;
    }
    if (++i == line->size()) return false;
    switch ((*line)[i]) {
      case '\\':
        text->push_back('\\');
        break;
      case '"':
        text->push_back('"');
        break;
      case 'n':
        text->push_back('\n');
        break;
      case 'r':
        text->push_back('\r');
        break;
      default:
        return false;
    }
  }
  if (i == line->size()) return false;  // no closing quote
  line->remove_prefix(i + 1);
  return true;
}

}  // namespace

bool IgnoreAsciiCaseLess::operator()(std::string_view a, std::string_view b) const {
  const size_t common = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < common; ++i) {
    char x = AsciiLower(a[i]);
    char y = AsciiLower(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  return a.size() < b.size();
}

const RegistryKey* RegistryKey::Find(std::string_view path) const {
  const RegistryKey* key = this;
  for (std::string_view part : SplitPath(path)) {
    auto it = key->subkeys_.find(part);
    if (it == key->subkeys_.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

RegistryKey* RegistryKey::Find(std::string_view path) {
  return const_cast<RegistryKey*>(static_cast<const RegistryKey*>(this)->Find(path));
}

RegistryKey* RegistryKey::Create(std::string_view path) {
  std::vector<std::string_view> parts = SplitPath(path);
  for (std::string_view part : parts) {
    if (part.empty() || HasControlCharacter(part)) return nullptr;
  }
  RegistryKey* key = this;
  for (std::string_view part : parts) {
    auto it = key->subkeys_.find(part);
    if (it == key->subkeys_.end()) {
      it = key->subkeys_.emplace(std::string(part), std::make_unique<RegistryKey>()).first;
    }
    key = it->second.get();
  }
  return key;
}

bool RegistryKey::Remove(std::string_view path) {
  std::vector<std::string_view> parts = SplitPath(path);
  if (parts.empty()) return false;
  std::string_view last = parts.back();
  parts.pop_back();
  RegistryKey* parent = this;
  for (std::string_view part : parts) {
    auto it = parent->subkeys_.find(part);
    if (it == parent->subkeys_.end()) return false;
    parent = it->second.get();
  }
  auto it = parent->subkeys_.find(last);
  if (it == parent->subkeys_.end()) return false;
  parent->subkeys_.erase(it);
  return true;
}

const std::string* RegistryKey::Value(std::string_view name) const {
  auto it = values_.find(name);
  return it == values_.end() ? nullptr : &it->second;
}

bool RegistryKey::SetValue(std::string_view name, std::string_view value) {
  if (HasControlCharacter(name)) return false;
  auto it = values_.find(name);
  if (it == values_.end()) {
    values_.emplace(std::string(name), std::string(value));
  } else {
    it->second.assign(value);
  }
  return true;
}

void RegistryKey::ForEachKey(
    const std::function<void(const std::string& path, const RegistryKey& key)>& visit) const {
  ForEachKeyBelow("", visit);
}

void RegistryKey::ForEachKeyBelow(
    const std::string& prefix,
    const std::function<void(const std::string&, const RegistryKey&)>& visit) const {
  for (const auto& [name, subkey] : subkeys_) {
    std::string path = prefix.empty() ? name : prefix + kSeparator + name;
    visit(path, *subkey);
    subkey->ForEachKeyBelow(path, visit);
  }
}

std::string SerializeRegistry(const RegistryKey& root) {
  std::string out(kHeader);
  out.push_back('\n');
  auto write_key = [&out](const std::string& path, const RegistryKey& key) {
    out.append("[").append(path).append("]\n");
    for (const auto& [name, value] : key.values()) {
      if (name.empty()) {
        out.push_back('@');
      } else {
        AppendQuoted(name, &out);
      }
      out.push_back('=');
      AppendQuoted(value, &out);
      out.push_back('\n');
    }
  };
  if (!root.values().empty()) write_key("", root);
  root.ForEachKey(write_key);
  return out;
}

bool ParseRegistry(std::string_view text, RegistryKey* root, std::string* error) {
  bool seen_header = false;
  RegistryKey* current = nullptr;
  size_t line_number = 0;
  auto fail = [&](const char* what) {
    if (error != nullptr) *error = "line " + std::to_string(line_number) + ": " + what;
    return false;
  };
  while (!text.empty()) {
    ++line_number;
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == ';') continue;
    if (!seen_header) {
      if (line != kHeader) return fail("not a registry file (header missing)");
      seen_header = true;
      continue;
    }
    if (line.front() == '[') {
      if (line.back() != ']') return fail("key line without closing bracket");
      std::string_view path = line.substr(1, line.size() - 2);
      current = path.empty() ? root : root->Create(path);
      if (current == nullptr) return fail("invalid key path");
      continue;
    }
    if (current == nullptr) return fail("value outside any key");
    std::string name;
    if (line.front() == '@') {
      line.remove_prefix(1);
    } else if (!ReadQuoted(&line, &name)) {
      return fail("malformed value name");
    }
    if (line.empty() || line.front() != '=') return fail("missing '='");
    line.remove_prefix(1);
    std::string value;
    if (!ReadQuoted(&line, &value) || !line.empty()) return fail("malformed value");
    if (!current->SetValue(name, value)) return fail("invalid value name");
  }
  return true;
}

}  // namespace qorv::platform
