#include "platform/com/win32_api.h"
#include "platform/console/standard_output.h"

namespace qorv::platform {

bool DescriptorOutputBuffer::Drain() {
  const char* next = pbase();
  const char* const end = pptr();
  // Descriptor 1 and 2 are the standard output and error handles, looked up
  // at each write as the C runtime does (SetStdHandle may change them). A
  // missing one (a program started without them) fails as an invalid handle.
  const HANDLE handle = ::GetStdHandle(descriptor_ == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  while (failure_.empty() && next < end) {
    DWORD written = 0;
    if (!::WriteFile(handle, next, static_cast<DWORD>(end - next), &written, nullptr)) {
      const DWORD error = ::GetLastError();
      failure_ = SystemErrorText(error);
      // A failure the system has no text for must still stop the output.
      if (failure_.empty()) failure_ = "error " + std::to_string(error);
    } else {
      next += written;
    }
  }
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return failure_.empty();
}

}  // namespace qorv::platform
