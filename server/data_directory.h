// The server's data directory: one database file per database name.
//
// A database "Main" lives in "<directory>/Main.qordb". Names are compared
// without regard to case and must be valid database names, so a name from a
// client can never reach outside the directory.
#ifndef QORV_SERVER_DATA_DIRECTORY_H_
#define QORV_SERVER_DATA_DIRECTORY_H_

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/mutex.h"
#include "server/database.h"

namespace qorv::server {

inline constexpr char kDatabaseFileExtension[] = ".qordb";

class DataDirectory {
 public:
  // The directory is created when missing (on the first CreateDatabase).
  DataDirectory(std::filesystem::path directory, Database::Options options);

  // Administration: a new, empty database (only the root project "$/").
  // 40106 for an invalid name, 40104 when one of that name exists.
  StoreStatus CreateDatabase(std::string_view name) QORV_EXCLUDES(mutex_);
  // Command 44: the names of the databases, in name order.
  std::vector<std::string> DatabaseNames() QORV_EXCLUDES(mutex_);
  // Opens a database once and shares it between sessions; 40002 when there
  // is none of that name.
  StoreStatus OpenDatabase(std::string_view name, std::shared_ptr<Database>* database)
      QORV_EXCLUDES(mutex_);
  // Database::StopRequests() on every database, open now or later: the
  // server stopping ends requests that are reading or changing a store.
  void StopRequests(bool stop) QORV_EXCLUDES(mutex_);

 private:
  // The file of a database of that name, if one exists; *error when the
  // directory cannot be read.
  std::optional<std::filesystem::path> FindFile(std::string_view name, std::error_code* error);
  StoreStatus UnreadableDirectory(const std::error_code& error) const;

  std::filesystem::path directory_;
  Database::Options options_;
  // Also serialises creating a database with looking for its file.
  platform::Mutex mutex_;
  // Open databases by case-folded name.
  std::map<std::string, std::shared_ptr<Database>> open_ QORV_GUARDED_BY(mutex_);
  bool stopping_ QORV_GUARDED_BY(mutex_) = false;
};

}  // namespace qorv::server

#endif  // QORV_SERVER_DATA_DIRECTORY_H_
