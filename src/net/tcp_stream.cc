#include "net/tcp_stream.h"

namespace qorv {
namespace {

StreamResult FromCall(int64_t count, StreamWait direction) {
  if (count > 0) return StreamResult::Done(static_cast<size_t>(count));
  if (count == 0) return StreamResult::Closed();
  const int error = platform::LastSocketError();
  if (platform::IsWouldBlock(error)) return StreamResult::WouldBlock(direction);
  return StreamResult::Failed(error, StreamErrorSource::kSocket);
}

}  // namespace

StreamResult TcpStream::Send(const void* data, size_t length) {
  return FromCall(platform::Send(handle_, data, length), StreamWait::kWrite);
}

StreamResult TcpStream::Receive(void* buffer, size_t length, bool peek) {
  const int64_t count =
      peek ? platform::Peek(handle_, buffer, length) : platform::Receive(handle_, buffer, length);
  return FromCall(count, StreamWait::kRead);
}

int TcpStream::Close() {
  if (handle_ == platform::kInvalidSocket) return 0;
  const bool closed = platform::CloseSocket(handle_);
  const int error = closed ? 0 : platform::LastSocketError();
  handle_ = platform::kInvalidSocket;
  return error;
}

}  // namespace qorv
