#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "platform/socket.h"
#include "platform/socket_option_names.h"

namespace qorv::platform {
namespace {

sockaddr_in MakeAddress(Ipv4Address address, uint16_t port) {
  sockaddr_in result;
  std::memset(&result, 0, sizeof(result));
  result.sin_family = AF_INET;
  result.sin_port = htons(port);
  result.sin_addr.s_addr = address;
  return result;
}

}  // namespace

SocketHandle CreateTcpSocket(bool /*overlapped*/) {
  int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  return handle < 0 ? kInvalidSocket : handle;
}

bool SetSocketOption(SocketHandle socket, SocketOption option, int value) {
  if (option == SocketOption::kDontLinger) {
    // "Don't linger" is linger switched off: close returns at once.
    linger setting;
    setting.l_onoff = value ? 0 : 1;
    setting.l_linger = 0;
    return ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &setting, sizeof(setting)) == 0;
  }
  int level = 0;
  int name = 0;
  if (!IntSocketOption(option, &level, &name)) {
    errno = EINVAL;
    return false;
  }
  return ::setsockopt(socket, level, name, &value, sizeof(value)) == 0;
}

bool GetSocketOption(SocketHandle socket, SocketOption option, int* value) {
  if (option == SocketOption::kDontLinger) {
    linger setting;
    socklen_t size = sizeof(setting);
    if (::getsockopt(socket, SOL_SOCKET, SO_LINGER, &setting, &size) != 0) return false;
    *value = setting.l_onoff ? 0 : 1;
    return true;
  }
  int level = 0;
  int name = 0;
  if (!IntSocketOption(option, &level, &name)) {
    errno = EINVAL;
    return false;
  }
  socklen_t size = sizeof(*value);
  return ::getsockopt(socket, level, name, value, &size) == 0;
}

bool SetNonBlocking(SocketHandle socket, bool non_blocking) {
  int flags = ::fcntl(socket, F_GETFL, 0);
  if (flags < 0) return false;
  flags = non_blocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  return ::fcntl(socket, F_SETFL, flags) == 0;
}

bool ParseIpv4(const char* text, Ipv4Address* address) {
  in_addr parsed;
  if (text == nullptr || ::inet_aton(text, &parsed) == 0) return false;
  *address = parsed.s_addr;
  return true;
}

int ResolveIpv4(const char* host, Ipv4Address* address) {
  addrinfo hints;
  std::memset(&hints, 0, sizeof(hints));
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int status = ::getaddrinfo(host, nullptr, &hints, &found);
  if (status == EAI_SYSTEM) return errno;
  if (status != 0 || found == nullptr) return kErrorHostNotFound;
  *address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  ::freeaddrinfo(found);
  return 0;
}

ConnectStatus Connect(SocketHandle socket, Ipv4Address address, uint16_t port) {
  sockaddr_in target = MakeAddress(address, port);
  int status;
  do {
    status = ::connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof(target));
  } while (status != 0 && errno == EINTR);
  if (status == 0) return ConnectStatus::kConnected;
  if (errno == EINPROGRESS || errno == EAGAIN || errno == EALREADY) {
    return ConnectStatus::kInProgress;
  }
  return ConnectStatus::kFailed;
}

int PendingConnectError(SocketHandle socket) {
  int error = 0;
  socklen_t size = sizeof(error);
  if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
  if (error != 0) errno = error;
  return error;
}

bool Listen(SocketHandle socket, Ipv4Address address, uint16_t port, int backlog) {
  sockaddr_in local = MakeAddress(address, port);
  if (::bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0) return false;
  return ::listen(socket, backlog) == 0;
}

SocketHandle ListenOn(const char* address, uint16_t port, int backlog) {
  sockaddr_storage local;
  std::memset(&local, 0, sizeof(local));
  socklen_t size = 0;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&local);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&local);
  if (::inet_pton(AF_INET, address, &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    size = sizeof(*v4);
  } else if (::inet_pton(AF_INET6, address, &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(port);
    size = sizeof(*v6);
  } else {
    errno = EINVAL;
    return kInvalidSocket;
  }
  const int handle = ::socket(local.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (handle < 0) return kInvalidSocket;
  const int on = 1;
  if (::setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on)) != 0 ||
      ::bind(handle, reinterpret_cast<const sockaddr*>(&local), size) != 0 ||
      ::listen(handle, backlog) != 0) {
    const int error = errno;
    ::close(handle);
    errno = error;
    return kInvalidSocket;
  }
  return handle;
}

bool ShutdownSocket(SocketHandle socket) { return ::shutdown(socket, SHUT_RDWR) == 0; }

uint16_t LocalPort(SocketHandle socket) {
  sockaddr_storage local;
  socklen_t size = sizeof(local);
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &size) != 0) return 0;
  if (local.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&local)->sin6_port);
  return ntohs(reinterpret_cast<sockaddr_in*>(&local)->sin_port);
}

SocketHandle Accept(SocketHandle socket) {
  int accepted;
  do {
    accepted = ::accept4(socket, nullptr, nullptr, SOCK_CLOEXEC);
  } while (accepted < 0 && errno == EINTR);
  return accepted < 0 ? kInvalidSocket : accepted;
}

int WaitReady(SocketHandle socket, bool want_read, bool want_write, int64_t timeout_us,
              bool* readable, bool* writable) {
  // poll() rather than select(): select cannot watch descriptors numbered
  // 1024 or above, which a busy server process reaches.
  pollfd entry;
  entry.fd = socket;
  entry.events = static_cast<short>((want_read ? POLLIN : 0) | (want_write ? POLLOUT : 0));
  entry.revents = 0;
  *readable = false;
  *writable = false;
  const int timeout_ms = timeout_us < 0 ? -1 : static_cast<int>((timeout_us + 999) / 1000);
  int status = ::poll(&entry, 1, timeout_ms);
  if (status < 0) return errno == EINTR ? 0 : -1;
  if (status == 0) return 0;
  if (entry.revents & POLLNVAL) {
    errno = EBADF;
    return -1;
  }
  // As with select(), an error or hang-up counts as ready: the next call on
  // the socket reports it.
  const short trouble = POLLERR | POLLHUP;
  *readable = want_read && (entry.revents & (POLLIN | trouble));
  *writable = want_write && (entry.revents & (POLLOUT | trouble));
  return (*readable || *writable) ? 1 : 0;
}

int64_t Send(SocketHandle socket, const void* data, size_t length) {
  ssize_t sent;
  do {
    sent = ::send(socket, data, length, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent;
}

int64_t Receive(SocketHandle socket, void* buffer, size_t length) {
  ssize_t received;
  do {
    received = ::recv(socket, buffer, length, 0);
  } while (received < 0 && errno == EINTR);
  return received;
}

int64_t Peek(SocketHandle socket, void* buffer, size_t length) {
  ssize_t received;
  do {
    received = ::recv(socket, buffer, length, MSG_PEEK);
  } while (received < 0 && errno == EINTR);
  return received;
}

bool CloseSocket(SocketHandle socket) {
  // Linux releases the descriptor even when close() reports EINTR; retrying
  // could close a descriptor another thread has just been given.
  return ::close(socket) == 0 || errno == EINTR;
}

int LastSocketError() { return errno; }

void ClearLastSocketError() { errno = 0; }

bool IsWouldBlock(int error_code) {
  return error_code == EAGAIN || error_code == EWOULDBLOCK || error_code == EINPROGRESS;
}

std::string SocketErrorText(int error_code) {
  if (error_code == kErrorHostNotFound) return "No such host is known.";
  char buffer[256];
  const char* text = ::strerror_r(error_code, buffer, sizeof(buffer));
  return text != nullptr ? std::string(text) : std::string();
}

}  // namespace qorv::platform
