#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/com/registry_file.h"

namespace qorv::platform {
namespace {

constexpr char kRegistryVariable[] = "QORV_REGISTRY";
constexpr char kSystemRegistryVariable[] = "QORV_SYSTEM_REGISTRY";
// Fixed whatever the installation prefix, so that every installation of the
// module (a package in /usr, a build installed in /usr/local) shares one.
constexpr char kSystemRegistryFile[] = "/etc/qorvsdk/registry.reg";
constexpr char kRegistryFolder[] = "qorvsdk";
constexpr char kRegistryFileName[] = "registry.reg";
constexpr char kLockSuffix[] = ".lock";
constexpr char kTempInfix[] = ".tmp.";
// Attempts at a unique temporary name (a crashed writer with a reused
// process id may have left one behind).
constexpr int kTempNameAttempts = 16;

// Closes a descriptor on every path.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded (it can report a
  // delayed write error).
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

std::string ParentFolder(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Creates `folder` and its missing parents.
bool CreateFolders(const std::string& folder) {
  struct stat info;
  if (::stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  std::string parent = ParentFolder(folder);
  if (parent != folder && !CreateFolders(parent)) return false;
  return ::mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const std::string& data) {
  size_t written = 0;
  while (written < data.size()) {
    ssize_t n = ::write(fd, data.data() + written, data.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<size_t>(n);
  }
  return true;
}

std::string ErrorText(int error) {
  char text[256];
  // The GNU strerror_r returns a pointer to the text, which may or may not
  // be the buffer.
  return ::strerror_r(error, text, sizeof text);
}

// Reads the whole file; a missing file reads as empty. On failure *problem
// (when given) gets the system's text.
bool ReadWholeFile(const std::string& path, std::string* content, std::string* problem) {
  content->clear();
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT) return true;
    if (problem != nullptr) *problem = ErrorText(errno);
    return false;
  }
  char buffer[8192];
  while (true) {
    ssize_t n = ::read(fd.get(), buffer, sizeof(buffer));
    if (n < 0) {
      if (errno == EINTR) continue;
      // A folder opens, and its read fails with "Is a directory".
      if (problem != nullptr) *problem = ErrorText(errno);
      return false;
    }
    if (n == 0) return true;
    content->append(buffer, static_cast<size_t>(n));
  }
}

bool LockExclusive(int fd) {
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// Writes `content` to a new file beside `path` and renames it over `path`.
// The temporary file is removed on every failure.
bool ReplaceFile(const std::string& path, const std::string& content) {
  // Keep the permissions of the file being replaced; a new file gets the
  // usual 0666 less the umask.
  mode_t mode = 0666;
  bool replacing = false;
  struct stat info;
  if (::stat(path.c_str(), &info) == 0) {
    mode = info.st_mode & 07777;
    replacing = true;
  }

  std::string temp;
  int raw_fd = -1;
  for (int attempt = 0; attempt < kTempNameAttempts && raw_fd < 0; ++attempt) {
    temp = path + kTempInfix + std::to_string(::getpid()) + "." + std::to_string(attempt);
    raw_fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (raw_fd < 0 && errno != EEXIST) return false;
  }
  if (raw_fd < 0) return false;
  FileDescriptor fd(raw_fd);
  // open() applied the umask; the replacement gets exactly the old bits.
  bool ok = !replacing || ::fchmod(fd.get(), mode) == 0;
  ok = ok && WriteAll(fd.get(), content) && ::fsync(fd.get()) == 0;
  ok = fd.Close() && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable.
  FileDescriptor folder(::open(ParentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
  return true;
}

}  // namespace

std::optional<std::string> GetEnvVar(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool SetEnvVar(const char* name, const std::string& value) {
  return ::setenv(name, value.c_str(), 1) == 0;
}

bool UnsetEnvVar(const char* name) { return ::unsetenv(name) == 0; }

std::optional<std::string> RegistryFilePath() {
  std::optional<std::string> explicit_path = GetEnvVar(kRegistryVariable);
  if (explicit_path && !explicit_path->empty()) return explicit_path;
  std::string config;
  std::optional<std::string> xdg = GetEnvVar("XDG_CONFIG_HOME");
  if (xdg && !xdg->empty() && xdg->front() == '/') {
    config = *xdg;
  } else {
    std::optional<std::string> home = GetEnvVar("HOME");
    if (!home || home->empty()) return std::nullopt;
    config = *home + "/.config";
  }
  return config + "/" + kRegistryFolder + "/" + kRegistryFileName;
}

std::string SystemRegistryFilePath() {
  std::optional<std::string> path = GetEnvVar(kSystemRegistryVariable);
  if (path && !path->empty()) return *path;
  return kSystemRegistryFile;
}

std::vector<std::string> RegistryReadPaths() {
  std::optional<std::string> explicit_path = GetEnvVar(kRegistryVariable);
  if (explicit_path && !explicit_path->empty()) return {*explicit_path};
  std::vector<std::string> paths{SystemRegistryFilePath()};
  std::optional<std::string> user = RegistryFilePath();
  if (user) paths.push_back(*user);
  return paths;
}

HRESULT ReadActiveRegistry(RegistryKey* root) {
  for (const std::string& path : RegistryReadPaths()) {
    HRESULT hr = ReadRegistryFile(path, root);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT ReadRegistryFile(const std::string& path, RegistryKey* root) {
  return ReadRegistryFile(path, root, nullptr);
}

HRESULT ReadRegistryFile(const std::string& path, RegistryKey* root, std::string* problem) {
  std::string content;
  if (!ReadWholeFile(path, &content, problem)) return REGDB_E_READREGDB;
  return ParseRegistry(content, root, problem) ? S_OK : REGDB_E_READREGDB;
}

HRESULT UpdateRegistryFile(const std::string& path,
                           const std::function<HRESULT(RegistryKey& root)>& edit) {
  if (!CreateFolders(ParentFolder(path))) return REGDB_E_WRITEREGDB;
  const std::string lock_path = path + kLockSuffix;
  FileDescriptor lock(::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
  if (lock.get() < 0 || !LockExclusive(lock.get())) return REGDB_E_WRITEREGDB;

  // The lock is held until `lock` closes, on every path out of here.
  std::string content;
  try {
    RegistryKey root;
    HRESULT hr = ReadRegistryFile(path, &root);
    if (FAILED(hr)) return hr;
    hr = edit(root);
    if (FAILED(hr)) return hr;
    content = SerializeRegistry(root);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return ReplaceFile(path, content) ? S_OK : REGDB_E_WRITEREGDB;
}

HRESULT UpdateRegisteredKeys(const std::vector<std::string>& /*owned*/,
                             const std::function<HRESULT(RegistryKey& root)>& edit) {
  std::optional<std::string> path = RegistryFilePath();
  if (!path) return REGDB_E_WRITEREGDB;
  return UpdateRegistryFile(*path, edit);
}

}  // namespace qorv::platform
