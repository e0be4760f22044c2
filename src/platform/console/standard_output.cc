#include "platform/console/standard_output.h"

namespace qorv::platform {

// The buffer's bookkeeping; Drain, the write itself, is each system's own
// (standard_output_posix.cc, standard_output_win32.cc).

DescriptorOutputBuffer::int_type DescriptorOutputBuffer::overflow(int_type c) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int DescriptorOutputBuffer::sync() { return Drain() ? 0 : -1; }

}  // namespace qorv::platform
