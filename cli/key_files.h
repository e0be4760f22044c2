// The user key files given with --key-file, looked at before the login. The
// SDK passes over a file it cannot use without a word (the login then fails
// with "The user key does not match", or on a plain server nothing happens
// at all), so qorv says which file cannot serve this login and why.
#ifndef QORV_CLI_KEY_FILES_H_
#define QORV_CLI_KEY_FILES_H_

#include <string>
#include <vector>

namespace qorv::cli {

// One message per key file that cannot serve a login of `user` at `server`:
// a file that cannot be read (the system's reason), one that is not a user
// key file (its labels are not those of the format in docs/key-file.md), or
// one issued for another user or server. Names are trimmed of white space
// at both ends as the SDK trims them. A damaged key or checksum is found
// only by the SDK.
std::vector<std::string> KeyFileProblems(const std::vector<std::string>& files,
                                         const std::string& server, const std::string& user);

}  // namespace qorv::cli

#endif  // QORV_CLI_KEY_FILES_H_
