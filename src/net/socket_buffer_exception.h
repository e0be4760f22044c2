// Thrown when a field is read past the end of a received message. The worker
// thread's entry catches it and completes the request with 12008 "Socket
// buffer error.".
#ifndef QORV_NET_SOCKET_BUFFER_EXCEPTION_H_
#define QORV_NET_SOCKET_BUFFER_EXCEPTION_H_

#include <exception>

#include "qorvsdk/result_codes.h"

namespace qorv {

class CCancelableSocketBufferException : public std::exception {
 public:
  const char* what() const noexcept override { return kTextSocketBufferError; }
};

}  // namespace qorv

#endif  // QORV_NET_SOCKET_BUFFER_EXCEPTION_H_
