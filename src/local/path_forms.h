// Server and local path forms: splitting, joining, mapping a server item to
// its place below a local folder, and the check that keeps names sent by the
// server inside the folder they belong to.
//
// Server paths use "/" and start at the database root "$/". Local paths are
// native "/" paths; the root folder "/" plays the part a drive's root plays
// elsewhere (a split never leaves an empty folder where the root is meant).
#ifndef QORV_LOCAL_PATH_FORMS_H_
#define QORV_LOCAL_PATH_FORMS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qorv {

inline constexpr char kServerRoot[] = "$/";
inline constexpr char kServerSeparator = '/';
inline constexpr char kLocalSeparator = '/';

// A local file name must be shorter than this many characters.
inline constexpr size_t kLocalNameLimit = 260;

struct SplitPath {
  std::string parent;  // project or folder
  std::string name;    // item or file name
};

// Splits at the last "/": "$/A/B" gives "$/A" and "B"; "$/A" gives "$/" and
// "A" (a project that comes out as "$" alone becomes "$/"). Without any "/",
// the parent is empty and the whole text is the name.
SplitPath SplitServerPath(std::string_view path);

// Splits at the last "/": "/w/x.txt" gives "/w" and "x.txt"; "/x.txt" gives
// the root "/" and "x.txt".
SplitPath SplitLocalPath(std::string_view path);

// Joins with one separator, inserted only when `left` does not already end
// with it.
std::string JoinServerPath(std::string_view project, std::string_view name);
std::string JoinLocalPath(std::string_view folder, std::string_view name);

// True when the local file name is too long to be used.
inline bool LocalNameTooLong(std::string_view name) { return name.size() >= kLocalNameLimit; }

// A local path built from server data, or why it was refused.
struct LocalPathResult {
  int32_t result = 0;       // 0 or kResultUnsafeServerName
  std::string description;  // the refusal text; empty on success
  std::string path;         // empty when refused or when nothing maps

  bool ok() const { return result == 0; }
};

// The one check for names and name paths that a server sent: `relative` is a
// single name or several names joined by "/". It is refused when it is
// empty, starts with "/" (an absolute path), has an empty component, or has a
// component made of dots only (".", ".." and the like) or holding "\" or a
// zero byte. Returns 0 or kResultUnsafeServerName with `*description` set.
int32_t CheckServerSentName(std::string_view relative, std::string* description);

// `folder` joined with the checked `relative` name path (see
// CheckServerSentName). Use this wherever a local path is built from names
// the server sent.
LocalPathResult LocalPathBelow(std::string_view folder, std::string_view relative);

// True when `item` is `project` itself or lies below it (letter case
// ignored).
bool IsSameOrBelowProject(std::string_view project, std::string_view item);

// The local path of server item `item` below `base_project`, whose local
// folder is `base_folder`: the part of the item path after the base project,
// leading "/" dropped, joined to the base folder. The path is empty (with
// result 0) when the base project or the item does not start with "$/", when
// the item is not longer than the base project or does not lie below it. The
// tail is refused as CheckServerSentName says.
LocalPathResult MappedLocalPath(std::string_view base_project, std::string_view base_folder,
                                std::string_view item);

}  // namespace qorv

#endif  // QORV_LOCAL_PATH_FORMS_H_
