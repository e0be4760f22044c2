#include "server/wildcard.h"

#include "server/server_path.h"

namespace qorv::server {

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Iterative matcher with one backtrack point: linear in practice and
  // never recursive, whatever the pattern.
  size_t p = 0, n = 0;
  size_t star = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_n = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || EqualsNoCase(pattern.substr(p, 1), name.substr(n, 1)))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool MatchesAnyPattern(std::string_view patterns, std::string_view name) {
  while (!patterns.empty()) {
    size_t semicolon = patterns.find(';');
    std::string_view pattern = patterns.substr(0, semicolon);
    while (!pattern.empty() && pattern.front() == ' ') pattern.remove_prefix(1);
    while (!pattern.empty() && pattern.back() == ' ') pattern.remove_suffix(1);
    if (!pattern.empty() && WildcardMatch(pattern, name)) return true;
    if (semicolon == std::string_view::npos) break;
    patterns.remove_prefix(semicolon + 1);
  }
  return false;
}

}  // namespace qorv::server
