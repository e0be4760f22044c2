#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/console/local_probe.h"

namespace qorv::platform {
namespace {

std::string ErrorText(int error) {
  char text[256];
  // The GNU strerror_r returns a pointer to the text, which may or may not
  // be the buffer.
  return ::strerror_r(error, text, sizeof text);
}

// Closes a descriptor on every path.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Opens `path` for reading as a plain file; -1 with the reason otherwise.
int OpenPlainFile(const std::string& path, std::string* reason) {
  // Non-blocking, so that a FIFO without a writer cannot hang the probe.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    *reason = ErrorText(errno);
    return -1;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    *reason = ErrorText(errno);
  } else if (S_ISDIR(info.st_mode)) {
    *reason = "it is a folder";
  } else if (!S_ISREG(info.st_mode)) {
    *reason = "it is not a plain file";
  } else {
    return fd;
  }
  ::close(fd);
  return -1;
}

// Reads the open file to its end into *content (empty before); false with
// the reason when a read fails or the file holds more than `limit` bytes.
bool ReadWhole(int fd, size_t limit, std::string* content, std::string* reason) {
  char buffer[8192];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      *reason = ErrorText(errno);
      return false;
    }
    if (n == 0) return true;
    content->append(buffer, static_cast<size_t>(n));
    if (content->size() > limit) {
      *reason = "it is larger than " + std::to_string(limit) + " bytes";
      return false;
    }
  }
}

// Waits for the non-blocking connect on `fd` to end; the reason it failed,
// empty when it succeeded.
std::string FinishConnect(int fd, int timeout_ms) {
  pollfd entry{fd, POLLOUT, 0};
  int ready;
  do {
    ready = ::poll(&entry, 1, timeout_ms);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) return ErrorText(errno);
  if (ready == 0) return "no answer within " + std::to_string(timeout_ms / 1000) + " seconds";
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return ErrorText(errno);
  return error == 0 ? std::string() : ErrorText(error);
}

}  // namespace

bool IsLocalFolder(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string UnreadableFileReason(const std::string& path) {
  std::string reason;
  Descriptor fd(OpenPlainFile(path, &reason));
  return reason;
}

bool ReadSmallFile(const std::string& path, size_t limit, std::string* content,
                   std::string* reason) {
  content->clear();
  Descriptor fd(OpenPlainFile(path, reason));
  if (fd.get() < 0) return false;
  return ReadWhole(fd.get(), limit, content, reason);
}

bool ReadSettingsFile(const std::string& path, size_t limit, SettingsFileRead* read,
                      std::string* reason) {
  *read = SettingsFileRead();
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) return true;
  read->exists = true;
  Descriptor fd(OpenPlainFile(path, reason));
  if (fd.get() < 0) return false;
  if (::fstat(fd.get(), &info) != 0) {
    *reason = ErrorText(errno);
    return false;
  }
  read->owner_only = (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
  return ReadWhole(fd.get(), limit, &read->content, reason);
}

std::string UnreachableReason(const std::string& host, int port, int timeout_ms) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* addresses = nullptr;
  const std::string service = std::to_string(port);
  const int resolved = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &addresses);
  if (resolved != 0) {
    return resolved == EAI_SYSTEM ? ErrorText(errno) : std::string(::gai_strerror(resolved));
  }
  std::string reason = "no address";
  for (const addrinfo* address = addresses; address != nullptr; address = address->ai_next) {
    Descriptor fd(::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                           address->ai_protocol));
    if (fd.get() < 0) {
      reason = ErrorText(errno);
      continue;
    }
    if (::connect(fd.get(), address->ai_addr, address->ai_addrlen) == 0) {
      reason.clear();
    } else if (errno == EINPROGRESS) {
      reason = FinishConnect(fd.get(), timeout_ms);
    } else {
      reason = ErrorText(errno);
    }
    if (reason.empty()) break;
  }
  ::freeaddrinfo(addresses);
  return reason;
}

}  // namespace qorv::platform
