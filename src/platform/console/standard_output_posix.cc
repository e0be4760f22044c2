#include <errno.h>
#include <string.h>
#include <unistd.h>

#include "platform/console/standard_output.h"

namespace qorv::platform {

bool DescriptorOutputBuffer::Drain() {
  const char* next = pbase();
  const char* const end = pptr();
  while (failure_.empty() && next < end) {
    const ssize_t written = ::write(descriptor_, next, static_cast<size_t>(end - next));
    if (written < 0) {
      if (errno == EINTR) continue;
      char text[256];
      // The GNU strerror_r returns a pointer to the text, which may or may
      // not be the buffer.
      failure_ = ::strerror_r(errno, text, sizeof text);
    } else {
      next += written;
    }
  }
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return failure_.empty();
}

}  // namespace qorv::platform
