#include <cstring>

#include "platform/com/win32_api.h"
#include "platform/socket.h"
#include "platform/socket_option_names.h"

namespace qorv::platform {
namespace {

// Winsock is started once per process, before the first socket call, and
// stays started (WSAStartup counts its users; the count of this module's is
// one).
bool WinsockStarted() {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

SOCKET Native(SocketHandle socket) {
  return socket == kInvalidSocket ? INVALID_SOCKET : static_cast<SOCKET>(socket);
}

// Socket handles are kernel handles: they fit in the int of SocketHandle.
SocketHandle Ours(SOCKET socket) {
  return socket == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(socket);
}

// A socket is never inherited by a started program.
SocketHandle NotInherited(SOCKET socket) {
  if (socket != INVALID_SOCKET) {
    ::SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
  }
  return Ours(socket);
}

}  // namespace

SocketHandle CreateTcpSocket(bool overlapped) {
  if (!WinsockStarted()) return kInvalidSocket;
  return NotInherited(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                   overlapped ? WSA_FLAG_OVERLAPPED : 0));
}

bool SetSocketOption(SocketHandle socket, SocketOption option, int value) {
  if (option == SocketOption::kDontLinger) {
    linger off{};
    off.l_onoff = value != 0 ? 0 : 1;
    return ::setsockopt(Native(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<char*>(&off),
                        sizeof(off)) == 0;
  }
  int level = 0;
  int name = 0;
  if (!IntSocketOption(option, &level, &name)) {
    ::WSASetLastError(WSAEINVAL);
    return false;
  }
  return ::setsockopt(Native(socket), level, name, reinterpret_cast<const char*>(&value),
                      sizeof(value)) == 0;
}

bool GetSocketOption(SocketHandle socket, SocketOption option, int* value) {
  if (option == SocketOption::kDontLinger) {
    linger setting{};
    int size = sizeof(setting);
    if (::getsockopt(Native(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<char*>(&setting),
                     &size) != 0) {
      return false;
    }
    *value = setting.l_onoff ? 0 : 1;
    return true;
  }
  int level = 0;
  int name = 0;
  if (!IntSocketOption(option, &level, &name)) {
    ::WSASetLastError(WSAEINVAL);
    return false;
  }
  int size = sizeof(*value);
  return ::getsockopt(Native(socket), level, name, reinterpret_cast<char*>(value), &size) == 0;
}

bool SetNonBlocking(SocketHandle socket, bool non_blocking) {
  u_long mode = non_blocking ? 1 : 0;
  return ::ioctlsocket(Native(socket), FIONBIO, &mode) == 0;
}

bool ParseIpv4(const char* text, Ipv4Address* address) {
  in_addr parsed;
  if (::inet_pton(AF_INET, text, &parsed) != 1) return false;
  *address = parsed.s_addr;
  return true;
}

int ResolveIpv4(const char* host, Ipv4Address* address) {
  if (!WinsockStarted()) return ::WSAGetLastError();
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int error = ::getaddrinfo(host, nullptr, &hints, &found);
  if (error == WSAHOST_NOT_FOUND || error == WSANO_DATA) return kErrorHostNotFound;
  if (error != 0) return error;
  if (found == nullptr) return kErrorHostNotFound;
  *address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  ::freeaddrinfo(found);
  return 0;
}

ConnectStatus Connect(SocketHandle socket, Ipv4Address address, uint16_t port) {
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  remote.sin_addr.s_addr = address;
  if (::connect(Native(socket), reinterpret_cast<const sockaddr*>(&remote), sizeof(remote)) == 0) {
    return ConnectStatus::kConnected;
  }
  return IsWouldBlock(::WSAGetLastError()) ? ConnectStatus::kInProgress : ConnectStatus::kFailed;
}

int PendingConnectError(SocketHandle socket) {
  int error = 0;
  int size = sizeof(error);
  if (::getsockopt(Native(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) !=
      0) {
    return ::WSAGetLastError();
  }
  if (error != 0) ::WSASetLastError(error);
  return error;
}

bool Listen(SocketHandle socket, Ipv4Address address, uint16_t port, int backlog) {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  local.sin_addr.s_addr = address;
  return ::bind(Native(socket), reinterpret_cast<const sockaddr*>(&local), sizeof(local)) == 0 &&
         ::listen(Native(socket), backlog) == 0;
}

SocketHandle ListenOn(const char* address, uint16_t port, int backlog) {
  if (!WinsockStarted()) return kInvalidSocket;
  sockaddr_storage local;
  std::memset(&local, 0, sizeof(local));
  int size = 0;
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
    ::WSASetLastError(WSAEINVAL);
    return kInvalidSocket;
  }
  SOCKET handle = ::socket(local.ss_family, SOCK_STREAM, 0);
  if (handle == INVALID_SOCKET) return kInvalidSocket;
  const int on = 1;
  if (::setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on),
                   sizeof(on)) != 0 ||
      ::bind(handle, reinterpret_cast<const sockaddr*>(&local), size) != 0 ||
      ::listen(handle, backlog) != 0) {
    const int error = ::WSAGetLastError();
    ::closesocket(handle);
    ::WSASetLastError(error);
    return kInvalidSocket;
  }
  return NotInherited(handle);
}

bool ShutdownSocket(SocketHandle socket) { return ::shutdown(Native(socket), SD_BOTH) == 0; }

uint16_t LocalPort(SocketHandle socket) {
  sockaddr_storage local;
  int size = sizeof(local);
  if (::getsockname(Native(socket), reinterpret_cast<sockaddr*>(&local), &size) != 0) return 0;
  if (local.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&local)->sin6_port);
  return ntohs(reinterpret_cast<sockaddr_in*>(&local)->sin_port);
}

SocketHandle Accept(SocketHandle socket) {
  SOCKET accepted = ::accept(Native(socket), nullptr, nullptr);
  if (accepted == INVALID_SOCKET) return kInvalidSocket;
  // An accepted socket inherits the listener's non-blocking mode: clear it.
  u_long blocking = 0;
  ::ioctlsocket(accepted, FIONBIO, &blocking);
  return NotInherited(accepted);
}

int WaitReady(SocketHandle socket, bool want_read, bool want_write, int64_t timeout_us,
              bool* readable, bool* writable) {
  *readable = false;
  *writable = false;
  fd_set reads, writes, errors;
  FD_ZERO(&reads);
  FD_ZERO(&writes);
  FD_ZERO(&errors);
  SOCKET native = Native(socket);
  if (want_read) FD_SET(native, &reads);
  if (want_write) FD_SET(native, &writes);
  // A failed non-blocking connect shows in the error set, not as writable.
  if (want_write) FD_SET(native, &errors);
  timeval limit;
  timeval* wait = nullptr;
  if (timeout_us >= 0) {
    limit.tv_sec = static_cast<long>(timeout_us / 1000000);
    limit.tv_usec = static_cast<long>(timeout_us % 1000000);
    wait = &limit;
  }
  int ready = ::select(0, &reads, &writes, &errors, wait);
  if (ready == SOCKET_ERROR) return -1;
  if (ready == 0) return 0;
  *readable = FD_ISSET(native, &reads) != 0;
  *writable = FD_ISSET(native, &writes) != 0 || FD_ISSET(native, &errors) != 0;
  return 1;
}

int64_t Send(SocketHandle socket, const void* data, size_t length) {
  int chunk = length > 0x40000000 ? 0x40000000 : static_cast<int>(length);
  int sent = ::send(Native(socket), static_cast<const char*>(data), chunk, 0);
  return sent == SOCKET_ERROR ? -1 : sent;
}

int64_t Receive(SocketHandle socket, void* buffer, size_t length) {
  int chunk = length > 0x40000000 ? 0x40000000 : static_cast<int>(length);
  int got = ::recv(Native(socket), static_cast<char*>(buffer), chunk, 0);
  return got == SOCKET_ERROR ? -1 : got;
}

int64_t Peek(SocketHandle socket, void* buffer, size_t length) {
  int chunk = length > 0x40000000 ? 0x40000000 : static_cast<int>(length);
  int got = ::recv(Native(socket), static_cast<char*>(buffer), chunk, MSG_PEEK);
  return got == SOCKET_ERROR ? -1 : got;
}

bool CloseSocket(SocketHandle socket) { return ::closesocket(Native(socket)) == 0; }

int LastSocketError() { return ::WSAGetLastError(); }

void ClearLastSocketError() { ::WSASetLastError(0); }

bool IsWouldBlock(int error_code) {
  return error_code == WSAEWOULDBLOCK || error_code == WSAEINPROGRESS || error_code == WSAEALREADY;
}

std::string SocketErrorText(int error_code) {
  if (error_code == kErrorHostNotFound) return "No such host is known.";
  return SystemErrorText(static_cast<DWORD>(error_code));
}

}  // namespace qorv::platform
