// Administration of a data directory without the protocol: the
// sub-commands of `qorvd admin`. They work on the database files directly,
// so they may run while a server uses the same directory.
#ifndef QORV_SERVER_ADMIN_COMMANDS_H_
#define QORV_SERVER_ADMIN_COMMANDS_H_

#include <ostream>
#include <string>
#include <vector>

namespace qorv::server {

// Runs `qorvd admin <command> [flags]` (`arguments` begins with the
// command). Messages go to `out`, failures to `err`. Returns the exit code:
// 0 done, 1 the command failed, 2 the command line was wrong.
int RunAdminCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err);

// The text of `qorvd admin --help`.
std::string AdminUsage();

}  // namespace qorv::server

#endif  // QORV_SERVER_ADMIN_COMMANDS_H_
