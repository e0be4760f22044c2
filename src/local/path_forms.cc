#include "local/path_forms.h"

#include "net/format_text.h"
#include "platform/com/ascii_case.h"
#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

bool IsDotsOnly(std::string_view component) {
  return component.find_first_not_of('.') == std::string_view::npos;
}

std::string Join(std::string_view left, char separator, std::string_view right) {
  std::string result(left);
  if (result.empty() || result.back() != separator) result += separator;
  result.append(right);
  return result;
}

}  // namespace

SplitPath SplitServerPath(std::string_view path) {
  size_t slash = path.rfind(kServerSeparator);
  if (slash == std::string_view::npos) return {std::string(), std::string(path)};
  SplitPath split{std::string(path.substr(0, slash)), std::string(path.substr(slash + 1))};
  if (split.parent == "$") split.parent = kServerRoot;
  return split;
}

SplitPath SplitLocalPath(std::string_view path) {
  size_t slash = path.rfind(kLocalSeparator);
  if (slash == std::string_view::npos) return {std::string(), std::string(path)};
  SplitPath split{std::string(path.substr(0, slash)), std::string(path.substr(slash + 1))};
  if (slash == 0) split.parent = std::string(1, kLocalSeparator);
  return split;
}

std::string JoinServerPath(std::string_view project, std::string_view name) {
  return Join(project, kServerSeparator, name);
}

std::string JoinLocalPath(std::string_view folder, std::string_view name) {
  return Join(folder, kLocalSeparator, name);
}

int32_t CheckServerSentName(std::string_view relative, std::string* description) {
  bool safe = !relative.empty() && relative.front() != kServerSeparator;
  size_t start = 0;
  while (safe) {
    size_t end = relative.find(kServerSeparator, start);
    std::string_view component = relative.substr(
        start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (component.empty() || IsDotsOnly(component) ||
        component.find('\\') != std::string_view::npos ||
        component.find('\0') != std::string_view::npos) {
      safe = false;
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (safe) {
    description->clear();
    return kResultOk;
  }
  *description = FormatText(kFormatUnsafeServerName, std::string(relative).c_str());
  return kResultUnsafeServerName;
}

LocalPathResult LocalPathBelow(std::string_view folder, std::string_view relative) {
  LocalPathResult result;
  result.result = CheckServerSentName(relative, &result.description);
  if (result.ok()) result.path = JoinLocalPath(folder, relative);
  return result;
}

bool IsSameOrBelowProject(std::string_view project, std::string_view item) {
  if (!StartsWithIgnoringAsciiCase(item, project)) return false;
  if (item.size() == project.size()) return true;
  return (!project.empty() && project.back() == kServerSeparator) ||
         item[project.size()] == kServerSeparator;
}

LocalPathResult MappedLocalPath(std::string_view base_project, std::string_view base_folder,
                                std::string_view item) {
  if (!base_project.starts_with(kServerRoot) || !item.starts_with(kServerRoot) ||
      item.size() <= base_project.size() || !IsSameOrBelowProject(base_project, item)) {
    return {};
  }
  std::string_view tail = item.substr(base_project.size());
  size_t first = tail.find_first_not_of(kServerSeparator);
  tail = first == std::string_view::npos ? std::string_view() : tail.substr(first);
  return LocalPathBelow(base_folder, tail);
}

}  // namespace qorv
