// Server paths ("$/A/B/x.c") and the rules for item, database, user and
// label names.
//
// Names are compared without regard to case, folding the ASCII letters only,
// so a multibyte character is never split or changed.
#ifndef QORV_SERVER_SERVER_PATH_H_
#define QORV_SERVER_SERVER_PATH_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qorv::server {

// A parsed server path: the names below the root, in order ("$/" has none).
struct ServerPath {
  std::vector<std::string> names;

  bool IsRoot() const { return names.empty(); }
  // "$/" for the root, else "$/" + names joined with "/".
  std::string ToString() const;
  // The project that holds this item; the root's parent is the root.
  ServerPath Parent() const;
  // The last name ("" for the root).
  const std::string& Leaf() const;
  ServerPath Child(std::string_view name) const;
};

// "$" or "$/" followed by valid names separated by single "/", with one
// optional trailing "/". Anything else (an empty name, a missing "$/", an
// invalid name) gives no value.
std::optional<ServerPath> ParseServerPath(std::string_view text);

// 1 to 255 bytes, not "." or "..", not starting with "$", none of
// / \ : * ? " < > | and no byte below 0x20. The client turns these names
// into local paths, so a name must never step out of a folder.
bool IsValidItemName(std::string_view name);
// 1 to 64 bytes of ASCII letters, digits, "_", "-" and ".", not starting
// with ".": a database name becomes a file name in the data directory.
bool IsValidDatabaseName(std::string_view name);
// 1 to 64 bytes, no byte below 0x20.
bool IsValidUserName(std::string_view name);
// 1 to 255 bytes, no byte below 0x20.
bool IsValidLabelName(std::string_view name);

// ASCII letters folded to upper case, every other byte unchanged.
std::string FoldCase(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Orders names case-insensitively (ties broken byte-wise) for listings.
bool LessNoCase(std::string_view a, std::string_view b);

}  // namespace qorv::server

#endif  // QORV_SERVER_SERVER_PATH_H_
