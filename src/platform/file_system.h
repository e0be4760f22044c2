// File and folder facilities: attributes, times, creation and removal,
// listing, moving and copying, sizes.
//
// Paths are native "/" paths in UTF-8. Every call that can fail returns 0 or
// the operating system's error number (see os_error.h); none of them throws.
// The attribute word keeps the Windows meaning of its bits so that the layers
// above speak in platform-neutral terms: read-only here means that the entry
// has no write permission bit at all, and the directory bit comes from the
// file type.
#ifndef QORV_PLATFORM_FILE_SYSTEM_H_
#define QORV_PLATFORM_FILE_SYSTEM_H_

#include <cstdint>
#include <string>
#include <vector>

namespace qorv::platform {

// 100-nanosecond units since 1601-01-01 00:00:00 UTC (or, for a "local" file
// time, since that moment of the local calendar).
using FileTime = uint64_t;

inline constexpr int32_t kInvalidAttributes = -1;
inline constexpr int32_t kAttributeReadOnly = 0x01;
inline constexpr int32_t kAttributeDirectory = 0x10;
inline constexpr int32_t kAttributeNormal = 0x80;

// The attribute word of `path` (following a symbolic link), or
// kInvalidAttributes when the path does not exist or cannot be read.
int32_t GetAttributes(const std::string& path);

// Applies the read-only bit of `attributes`: set, it clears every write
// permission bit; clear, it gives the owner write permission when no write
// bit is set (other bits of the mode are left alone). Other attribute bits
// have no meaning here.
int SetAttributes(const std::string& path, int32_t attributes);

struct FileInfo {
  bool is_directory = false;
  uint64_t size = 0;
  FileTime last_write = 0;
  // Identity of the file, so that a replaced file can be told from a
  // rewritten one.
  uint64_t device = 0;
  uint64_t inode = 0;
};

int GetFileInfo(const std::string& path, FileInfo* info);

int GetLastWriteTime(const std::string& path, FileTime* time);

// Sets the last-write time only (the last-access time is left as it is),
// whatever the read-only attribute, which stays as it was.
int SetLastWriteTime(const std::string& path, FileTime time);

int GetFileSize(const std::string& path, uint64_t* size);

// Bytes available to this user on the file system that holds `path`.
int GetFreeSpace(const std::string& path, uint64_t* bytes);

// True when `path` itself is a symbolic link.
bool IsSymbolicLink(const std::string& path);

// Creates one folder (its parent must exist).
int CreateFolder(const std::string& path);

// Removes one empty folder.
int RemoveFolder(const std::string& path);

// Removes a file; a symbolic link is removed itself, never its target.
int DeleteFile(const std::string& path);

struct FolderEntry {
  std::string name;
  // True for a real folder; a symbolic link is never reported as a folder,
  // so that walking a tree does not leave it.
  bool is_directory = false;
};

// The entries of a folder, without "." and "..", in the order the file system
// gives them.
int ListFolder(const std::string& path, std::vector<FolderEntry>* entries);

// Renames within one file system, replacing an existing target file at once
// (other processes see the old or the new file, never a missing one).
int RenamePath(const std::string& from, const std::string& to);

// Moves a file or folder, replacing an existing target file; a file moved to
// another file system is copied and the source then deleted.
int MovePath(const std::string& from, const std::string& to);

// Copies a file's bytes and last-write time. An existing target is
// overwritten and keeps its permissions; a new target gets the source's.
int CopyFile(const std::string& from, const std::string& to);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_FILE_SYSTEM_H_
