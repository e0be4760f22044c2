#include "platform/file_system_interface.h"

namespace qorv::platform {
namespace {

class PosixFileSystem final : public FileSystem {
 public:
  int Open(const std::string& path, FileAccess access, FileCreation creation, FileSharing sharing,
           std::unique_ptr<OpenFile>* file) override {
    file->reset();
    auto opened = std::make_unique<File>();
    int error = File::Open(path, access, creation, sharing, opened.get());
    if (error == 0) *file = std::move(opened);
    return error;
  }
  int32_t GetAttributes(const std::string& path) override { return platform::GetAttributes(path); }
  int SetAttributes(const std::string& path, int32_t attributes) override {
    return platform::SetAttributes(path, attributes);
  }
  int GetLastWriteTime(const std::string& path, FileTime* time) override {
    return platform::GetLastWriteTime(path, time);
  }
  int SetLastWriteTime(const std::string& path, FileTime time) override {
    return platform::SetLastWriteTime(path, time);
  }
  int GetFileSize(const std::string& path, uint64_t* size) override {
    return platform::GetFileSize(path, size);
  }
  int GetFreeSpace(const std::string& path, uint64_t* bytes) override {
    return platform::GetFreeSpace(path, bytes);
  }
  bool IsSymbolicLink(const std::string& path) override { return platform::IsSymbolicLink(path); }
  int CreateFolder(const std::string& path) override { return platform::CreateFolder(path); }
  int RemoveFolder(const std::string& path) override { return platform::RemoveFolder(path); }
  int DeleteFile(const std::string& path) override { return platform::DeleteFile(path); }
  int ListFolder(const std::string& path, std::vector<FolderEntry>* entries) override {
    return platform::ListFolder(path, entries);
  }
  int RenamePath(const std::string& from, const std::string& to) override {
    return platform::RenamePath(from, to);
  }
  int MovePath(const std::string& from, const std::string& to) override {
    return platform::MovePath(from, to);
  }
  int CopyFile(const std::string& from, const std::string& to) override {
    return platform::CopyFile(from, to);
  }
};

}  // namespace

FileSystem& NativeFileSystem() {
  // Stateless, so one object serves every caller.
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace qorv::platform
