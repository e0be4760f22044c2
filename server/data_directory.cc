#include "server/data_directory.h"

#include <algorithm>

namespace qorv::server {

namespace fs = std::filesystem;

DataDirectory::DataDirectory(fs::path directory, Database::Options options)
    : directory_(std::move(directory)), options_(std::move(options)) {}

std::optional<fs::path> DataDirectory::FindFile(std::string_view name, std::error_code* error) {
  error->clear();
  for (fs::directory_iterator it(directory_, *error), end; !*error && it != end;
       it.increment(*error)) {
    const fs::path& file = it->path();
    if (file.extension() != kDatabaseFileExtension) continue;
    if (EqualsNoCase(file.stem().string(), name)) return file;
  }
  return std::nullopt;
}

StoreStatus DataDirectory::UnreadableDirectory(const std::error_code& error) const {
  return MakeStatus(
      kStatusStoreError, kFormatStoreError,
      "cannot read the data directory " + directory_.string() + ": " + error.message());
}

StoreStatus DataDirectory::CreateDatabase(std::string_view name) {
  if (!IsValidDatabaseName(name)) return MakeStatus(kStatusInvalidName, kFormatInvalidName, name);
  platform::MutexLock lock(mutex_);
  std::error_code error;
  fs::create_directories(directory_, error);
  if (error) return MakeStatus(kStatusStoreError, kFormatStoreError, error.message());
  if (FindFile(name, &error)) return MakeStatus(kStatusNameInUse, kFormatNameInUse, name);
  if (error) return UnreadableDirectory(error);
  StoreStatus status;
  std::unique_ptr<Database> database = Database::Create(
      directory_ / (std::string(name) + kDatabaseFileExtension), options_, &status);
  if (!database) return status;
  open_[FoldCase(name)] = std::move(database);
  return StoreStatus::Ok();
}

std::vector<std::string> DataDirectory::DatabaseNames() {
  platform::MutexLock lock(mutex_);
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(directory_, error), end; !error && it != end;
       it.increment(error)) {
    const fs::path& file = it->path();
    std::string stem = file.stem().string();
    if (file.extension() == kDatabaseFileExtension && IsValidDatabaseName(stem)) {
      names.push_back(stem);
    }
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
  return names;
}

StoreStatus DataDirectory::OpenDatabase(std::string_view name,
                                        std::shared_ptr<Database>* database) {
  StoreStatus unknown = MakeStatus(kStatusUnknownDatabase, kFormatUnknownDatabase, name);
  if (!IsValidDatabaseName(name)) return unknown;
  platform::MutexLock lock(mutex_);
  auto open = open_.find(FoldCase(name));
  if (open != open_.end()) {
    *database = open->second;
    return StoreStatus::Ok();
  }
  // A directory that cannot be read (descriptors exhausted, permissions)
  // says nothing about whether the database exists.
  std::error_code error;
  std::optional<fs::path> file = FindFile(name, &error);
  if (error) return UnreadableDirectory(error);
  if (!file) return unknown;
  StoreStatus status;
  std::unique_ptr<Database> opened = Database::Open(*file, options_, &status);
  if (!opened) return status;
  opened->StopRequests(stopping_);
  std::shared_ptr<Database> shared = std::move(opened);
  open_[FoldCase(name)] = shared;
  *database = std::move(shared);
  return StoreStatus::Ok();
}

void DataDirectory::StopRequests(bool stop) {
  platform::MutexLock lock(mutex_);
  stopping_ = stop;
  for (auto& [name, database] : open_) database->StopRequests(stop);
}

}  // namespace qorv::server
