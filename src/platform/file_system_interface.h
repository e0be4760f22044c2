// The file system as one replaceable object: the working-folder file layer
// reaches files and folders only through a FileSystem, so that tests can put
// a fake under it (a full disk, a file another process holds, a write that
// stops part way) without touching the real disk's behaviour.
//
// NativeFileSystem() is this platform's own (the functions of file.h and
// file_system.h); FileSystemWrapper forwards every call to another file
// system, so that a fake derived from it overrides only what it needs.
//
// Every call returns what the function of file_system.h of the same name
// returns: 0 or the operating system's error number (GetAttributes the
// attribute word, IsSymbolicLink a flag). Implementations must be safe to
// call from several threads at once.
#ifndef QORV_PLATFORM_FILE_SYSTEM_INTERFACE_H_
#define QORV_PLATFORM_FILE_SYSTEM_INTERFACE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/file_system.h"

namespace qorv::platform {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens `path` as File::Open does; on success `*file` holds the open file,
  // on failure it is left empty.
  virtual int Open(const std::string& path, FileAccess access, FileCreation creation,
                   FileSharing sharing, std::unique_ptr<OpenFile>* file) = 0;

  virtual int32_t GetAttributes(const std::string& path) = 0;
  virtual int SetAttributes(const std::string& path, int32_t attributes) = 0;
  virtual int GetLastWriteTime(const std::string& path, FileTime* time) = 0;
  virtual int SetLastWriteTime(const std::string& path, FileTime time) = 0;
  virtual int GetFileSize(const std::string& path, uint64_t* size) = 0;
  virtual int GetFreeSpace(const std::string& path, uint64_t* bytes) = 0;
  virtual bool IsSymbolicLink(const std::string& path) = 0;
  virtual int CreateFolder(const std::string& path) = 0;
  virtual int RemoveFolder(const std::string& path) = 0;
  virtual int DeleteFile(const std::string& path) = 0;
  virtual int ListFolder(const std::string& path, std::vector<FolderEntry>* entries) = 0;
  virtual int RenamePath(const std::string& from, const std::string& to) = 0;
  virtual int MovePath(const std::string& from, const std::string& to) = 0;
  virtual int CopyFile(const std::string& from, const std::string& to) = 0;
};

// This platform's file system. It holds no state; the object lives for the
// whole process.
FileSystem& NativeFileSystem();

// Forwards every call to `target`, which must outlive the wrapper.
class FileSystemWrapper : public FileSystem {
 public:
  explicit FileSystemWrapper(FileSystem& target) : target_(target) {}

  FileSystem& target() const { return target_; }

  int Open(const std::string& path, FileAccess access, FileCreation creation, FileSharing sharing,
           std::unique_ptr<OpenFile>* file) override {
    return target_.Open(path, access, creation, sharing, file);
  }
  int32_t GetAttributes(const std::string& path) override { return target_.GetAttributes(path); }
  int SetAttributes(const std::string& path, int32_t attributes) override {
    return target_.SetAttributes(path, attributes);
  }
  int GetLastWriteTime(const std::string& path, FileTime* time) override {
    return target_.GetLastWriteTime(path, time);
  }
  int SetLastWriteTime(const std::string& path, FileTime time) override {
    return target_.SetLastWriteTime(path, time);
  }
  int GetFileSize(const std::string& path, uint64_t* size) override {
    return target_.GetFileSize(path, size);
  }
  int GetFreeSpace(const std::string& path, uint64_t* bytes) override {
    return target_.GetFreeSpace(path, bytes);
  }
  bool IsSymbolicLink(const std::string& path) override { return target_.IsSymbolicLink(path); }
  int CreateFolder(const std::string& path) override { return target_.CreateFolder(path); }
  int RemoveFolder(const std::string& path) override { return target_.RemoveFolder(path); }
  int DeleteFile(const std::string& path) override { return target_.DeleteFile(path); }
  int ListFolder(const std::string& path, std::vector<FolderEntry>* entries) override {
    return target_.ListFolder(path, entries);
  }
  int RenamePath(const std::string& from, const std::string& to) override {
    return target_.RenamePath(from, to);
  }
  int MovePath(const std::string& from, const std::string& to) override {
    return target_.MovePath(from, to);
  }
  int CopyFile(const std::string& from, const std::string& to) override {
    return target_.CopyFile(from, to);
  }

 private:
  FileSystem& target_;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_FILE_SYSTEM_INTERFACE_H_
