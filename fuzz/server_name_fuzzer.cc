// Names and name paths a server sends, turned into local paths.
//
// Input: three texts (a length byte each): a base project, an item path and
// a project path, all as the server would send them; the rest is a single
// name. The base folder is fixed; the project's working folders come from
// the base project (bound to the base folder) and, when the item path is
// not empty, the item path (bound to a second folder).
//
// The property, beyond not crashing: a local path built from server data
// lies strictly below the folder it was built on. Checked without the
// path code's own helpers: the part after the folder and its separator,
// split at "/", has no empty, "." or ".." component, nor a "\" or a zero
// byte; and the lexically normal form of the path lies below the folder's.
// It must hold for LocalPathBelow, MappedLocalPath and
// CacheModel::WorkingFolderOf alike.
#include <filesystem>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "local/cache_model.h"
#include "local/path_forms.h"
#include "qorvsdk/result_codes.h"

namespace qorv::fuzz {
namespace {

constexpr std::string_view kBaseFolder = "/work/base";
constexpr std::string_view kOtherFolder = "/work/other/";

bool IsHarmlessComponent(std::string_view component) {
  return !component.empty() && component != "." && component != ".." &&
         component.find('\\') == std::string_view::npos &&
         component.find('\0') == std::string_view::npos;
}

// `path` is `folder`, a separator, then harmless components only.
void CheckStrictlyBelow(std::string_view folder, std::string_view path, const char* what) {
  std::string prefix(folder);
  if (prefix.back() != '/') prefix += '/';
  QORV_FUZZ_CHECK(path.starts_with(prefix) && path.size() > prefix.size(), what);
  std::string_view rest = path.substr(prefix.size());
  for (;;) {
    const size_t slash = rest.find('/');
    QORV_FUZZ_CHECK(IsHarmlessComponent(rest.substr(0, slash)), what);
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  const std::filesystem::path normal = std::filesystem::path(path).lexically_normal();
  const std::filesystem::path relative =
      normal.lexically_relative(std::filesystem::path(folder).lexically_normal());
  QORV_FUZZ_CHECK(!relative.empty() && *relative.begin() != ".." && relative != ".", what);
}

void CheckResult(std::string_view folder, const LocalPathResult& result, const char* what) {
  if (!result.ok()) {
    QORV_FUZZ_CHECK(result.result == kResultUnsafeServerName && result.path.empty() &&
                        !result.description.empty(),
                    "a refused name gives no path and says why");
    return;
  }
  if (!result.path.empty()) CheckStrictlyBelow(folder, result.path, what);
}

void RunServerName(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const std::string_view base_project = input.Text();
  const std::string_view item = input.Text();
  const std::string_view project = input.Text();
  const std::string_view name = input.RestText();

  std::string description;
  const bool accepted = CheckServerSentName(name, &description) == kResultOk;
  const LocalPathResult below = LocalPathBelow(kBaseFolder, name);
  QORV_FUZZ_CHECK(below.ok() == accepted, "LocalPathBelow checks as CheckServerSentName does");
  QORV_FUZZ_CHECK(!accepted || !below.path.empty(), "an accepted name gives a path");
  CheckResult(kBaseFolder, below, "a name lies below its folder");

  const LocalPathResult mapped = MappedLocalPath(base_project, kBaseFolder, item);
  CheckResult(kBaseFolder, mapped, "a mapped item lies below the base folder");
  if (!mapped.path.empty()) {
    QORV_FUZZ_CHECK(IsSameOrBelowProject(base_project, item), "only an item below maps");
  }

  CacheModel model;
  model.SetWorkingFolder(base_project, std::string(kBaseFolder));
  if (!item.empty()) model.SetWorkingFolder(item, std::string(kOtherFolder));
  const LocalPathResult working = model.WorkingFolderOf(project);
  if (!working.ok()) {
    CheckResult(kBaseFolder, working, "a refused project gives no folder");
  } else if (!working.path.empty() && working.path != kBaseFolder && working.path != kOtherFolder) {
    // Not a project's own folder: built below the nearest bound ancestor's.
    const bool below_base = working.path.starts_with(std::string(kBaseFolder) + "/");
    CheckStrictlyBelow(below_base ? kBaseFolder : kOtherFolder, working.path,
                       "a project's working folder lies below its ancestor's");
  }
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::RunServerName(data, size);
  return 0;
}
