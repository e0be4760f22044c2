// The level and name of each SocketOption whose value is a plain int. Both
// the POSIX and the Winsock side take the BSD names, so the table is one;
// each includes it after its system's socket headers.
#ifndef QORV_PLATFORM_SOCKET_OPTION_NAMES_H_
#define QORV_PLATFORM_SOCKET_OPTION_NAMES_H_

#include "platform/socket.h"

#ifdef _WIN32
// Keep-alive timing per socket: ws2ipdef.h of Windows 10 1709 and later;
// mingw-w64's headers do not have the names yet.
#ifndef TCP_KEEPIDLE
#define TCP_KEEPIDLE 3
#endif
#ifndef TCP_KEEPCNT
#define TCP_KEEPCNT 16
#endif
#ifndef TCP_KEEPINTVL
#define TCP_KEEPINTVL 17
#endif
#endif

namespace qorv::platform {

// False for kDontLinger, whose value is a linger structure, and for a value
// outside the enumeration.
inline bool IntSocketOption(SocketOption option, int* level, int* name) {
  *level = SOL_SOCKET;
  switch (option) {
    case SocketOption::kSendBuffer:
      *name = SO_SNDBUF;
      return true;
    case SocketOption::kReceiveBuffer:
      *name = SO_RCVBUF;
      return true;
    case SocketOption::kKeepAlive:
      *name = SO_KEEPALIVE;
      return true;
    case SocketOption::kReuseAddress:
      *name = SO_REUSEADDR;
      return true;
    case SocketOption::kNoDelay:
      *level = IPPROTO_TCP;
      *name = TCP_NODELAY;
      return true;
    case SocketOption::kKeepAliveIdle:
      *level = IPPROTO_TCP;
      *name = TCP_KEEPIDLE;
      return true;
    case SocketOption::kKeepAliveInterval:
      *level = IPPROTO_TCP;
      *name = TCP_KEEPINTVL;
      return true;
    case SocketOption::kKeepAliveCount:
      *level = IPPROTO_TCP;
      *name = TCP_KEEPCNT;
      return true;
    case SocketOption::kDontLinger:
      return false;
  }
  return false;
}

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_SOCKET_OPTION_NAMES_H_
