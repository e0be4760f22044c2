// Server paths as users type them: "$/Game/main.c", or shorter, "Game/main.c"
// and "/Game/main.c" for the same file, and nothing for the root.
#ifndef QORV_CLI_PATH_ARGUMENTS_H_
#define QORV_CLI_PATH_ARGUMENTS_H_

#include <string>
#include <string_view>

namespace qorv::cli {

// The server path an argument names: "$" and "$/..." as they are, anything
// else taken from the root ("Game" is "$/Game", "/Game" too, "" is "$/"),
// without a trailing "/" ("Game/" is "$/Game").
std::string ServerPathArgument(std::string_view argument);

// Why `argument` names no server path, as the end of a message; empty when
// it names one. A name may be neither empty ("Game//main.c", "$//") nor hold
// a control character (a line break); one "/" at the end is allowed. Every
// command checks its server paths with this before anything connects.
std::string ServerPathProblem(std::string_view argument);

// The project holding `server_path` ("$/Game" of "$/Game/main.c", "$/" of
// "$/Game").
std::string ParentPath(std::string_view server_path);

// The last name of a server path ("main.c" of "$/Game/main.c").
std::string LeafName(std::string_view server_path);

// `parent` and `name` joined with one "/".
std::string JoinServerPath(std::string_view parent, std::string_view name);

}  // namespace qorv::cli

#endif  // QORV_CLI_PATH_ARGUMENTS_H_
