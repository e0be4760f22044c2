// A fresh store for each input of the server's request target.
//
// The first store of a process builds a template data directory: database
// "Main" with projects, text and binary files with several versions, a
// label, a shared and pinned file, a file kept at its latest version only,
// check-outs by two users, a deleted file and a deleted project, and the
// users below; and the empty database "Other". Every store copies the
// template into a folder of its own, so each input starts from the same
// state, and removes the folder when it goes. A store may serve inputs one
// after the other as long as none changes a database (Prepare between
// them). Its files are not synced: they never outlive the process.
#ifndef QORV_FUZZ_FUZZ_STORE_H_
#define QORV_FUZZ_FUZZ_STORE_H_

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "server/data_directory.h"
#include "server/ole_time.h"
#include "server/session_registry.h"

namespace qorv::fuzz {

// The users of "Main" and their passwords.
struct FuzzUser {
  const char* name;
  const char* password;
};
inline constexpr FuzzUser kAlice = {"alice", "secret"};   // read and write
inline constexpr FuzzUser kBob = {"bob", "hunter2"};      // read and write
inline constexpr FuzzUser kReader = {"reader", "r"};      // read only
inline constexpr FuzzUser kKeyed = {"keyed", "k"};        // has a user key
inline constexpr FuzzUser kNewcomer = {"newcomer", "n"};  // must change the password
// The user key of kKeyed: the bytes 1 to 16.
server::UserKey KeyedUserKey();

class FuzzStore {
 public:
  // `fault_step` names a step of the store's changes that fails as a store
  // failure would (Database::Options::fault); empty for none.
  explicit FuzzStore(std::string fault_step = {});
  ~FuzzStore();
  FuzzStore(const FuzzStore&) = delete;
  FuzzStore& operator=(const FuzzStore&) = delete;

  server::DataDirectory& data() { return *data_; }
  server::SessionRegistry& sessions() { return sessions_; }
  // The open database "Main" and its file.
  server::Database& main() { return *main_; }
  const std::filesystem::path& main_file() const { return main_file_; }
  // The file of the empty database "Other".
  const std::filesystem::path& other_file() const { return other_file_; }

  // Readies a store that has served an input, and changed nothing, for the
  // next: that input's failing step, and the clock back at its start.
  void Prepare(std::string fault_step);

  // A session of `user` on "Main", opened as a plain login opens one.
  server::Session LogIn(const FuzzUser& user);

 private:
  std::filesystem::path folder_;
  std::filesystem::path main_file_;
  std::filesystem::path other_file_;
  std::shared_ptr<std::string> fault_step_;
  std::shared_ptr<server::OleMs> now_;
  std::unique_ptr<server::DataDirectory> data_;
  std::shared_ptr<server::Database> main_;
  server::SessionRegistry sessions_;
};

}  // namespace qorv::fuzz

#endif  // QORV_FUZZ_FUZZ_STORE_H_
