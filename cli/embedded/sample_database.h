// The sample database of the demo and of "qorv serve --sample": a few
// projects with text and binary files, files with several versions, a
// label, a shared file, a deleted file, a file checked out by the second
// user.
#ifndef QORV_CLI_EMBEDDED_SAMPLE_DATABASE_H_
#define QORV_CLI_EMBEDDED_SAMPLE_DATABASE_H_

#include <cstdint>
#include <filesystem>
#include <string>

#include "server/password_hash.h"

namespace qorv::cli {

inline constexpr char kSampleDatabase[] = "Demo";
// The two users and their passwords (this is sample data, meant to be read).
inline constexpr char kSampleUser[] = "alice";
inline constexpr char kSamplePassword[] = "wonderland";
inline constexpr char kSampleSecondUser[] = "bob";
inline constexpr char kSampleSecondPassword[] = "builder";

// Paths in the sample database that the demo and the tests point at.
inline constexpr char kSampleProject[] = "$/Game";
inline constexpr char kSampleVersionedFile[] = "$/Game/src/main.c";   // three versions
inline constexpr char kSampleSharedFile[] = "$/Game/src/util.c";      // shared into $/Tools
inline constexpr char kSampleCheckedOutFile[] = "$/Game/README.txt";  // checked out by bob
inline constexpr char kSampleBinaryFile[] = "$/Game/assets/logo.png";
inline constexpr char kSampleDeletedFile[] = "notes.txt";  // deleted from $/Game
inline constexpr char kSampleLabel[] = "release-1.0";

// The text of kSampleVersionedFile's latest version, with LF line ends.
std::string SampleLatestMainText();

// Creates the database kSampleDatabase in `data_directory` (created when
// missing) and fills it. False with the reason in *error, also when a
// database of that name exists already. The users' password hashes take
// `password_iterations` PBKDF2 iterations.
//
// The sample's passwords are printed in its documentation, so a costly hash
// protects nothing there; it would only make each login of the demo (one per
// qorv command) take a second. Its users get kSamplePasswordIterations; the
// users a data directory's owner adds get the server's default.
inline constexpr int64_t kSamplePasswordIterations = 1000;
bool CreateSampleDatabase(const std::filesystem::path& data_directory, std::string* error,
                          int64_t password_iterations = kSamplePasswordIterations);

// Whether `data_directory` holds a database of the sample's name.
bool HasSampleDatabase(const std::filesystem::path& data_directory);

}  // namespace qorv::cli

#endif  // QORV_CLI_EMBEDDED_SAMPLE_DATABASE_H_
