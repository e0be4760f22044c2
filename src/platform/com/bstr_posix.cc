// BSTR allocation: [4-byte byte count][UTF-16 text][16-bit zero]. The pointer
// handed out points at the text, so a BSTR reads as a zero-terminated wide
// string and its length is found four bytes before it.
#include <cstdlib>
#include <cstring>

#include "qorvsdk/comtypes.h"

namespace {

// The largest byte count that still fits the 32-bit prefix with the prefix and
// terminator added.
constexpr UINT kMaxBstrBytes = 0x7FFFFFF0u;

BSTR AllocateBytes(const void* source, UINT byte_length) {
  if (byte_length > kMaxBstrBytes) return nullptr;
  // Two terminating zero bytes for the wide terminator, plus one more so that
  // an odd byte length (SysAllocStringByteLen) is still terminated.
  auto* block = static_cast<unsigned char*>(std::malloc(sizeof(uint32_t) + byte_length + 3));
  if (block == nullptr) return nullptr;
  uint32_t count = byte_length;
  std::memcpy(block, &count, sizeof(count));
  unsigned char* text = block + sizeof(uint32_t);
  if (source != nullptr) {
    std::memcpy(text, source, byte_length);
  } else {
    std::memset(text, 0, byte_length);
  }
  text[byte_length] = 0;
  text[byte_length + 1] = 0;
  text[byte_length + 2] = 0;
  return reinterpret_cast<BSTR>(text);
}

}  // namespace

extern "C" {

QORV_EXPORT BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  if (length > kMaxBstrBytes / sizeof(OLECHAR)) return nullptr;
  return AllocateBytes(text, length * static_cast<UINT>(sizeof(OLECHAR)));
}

QORV_EXPORT BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  UINT length = 0;
  while (text[length] != 0) ++length;
  return SysAllocStringLen(text, length);
}

QORV_EXPORT BSTR SysAllocStringByteLen(const char* bytes, UINT length) {
  return AllocateBytes(bytes, length);
}

QORV_EXPORT void SysFreeString(BSTR text) {
  if (text == nullptr) return;
  std::free(reinterpret_cast<unsigned char*>(text) - sizeof(uint32_t));
}

QORV_EXPORT UINT SysStringByteLen(BSTR text) {
  if (text == nullptr) return 0;
  uint32_t count;
  std::memcpy(&count, reinterpret_cast<unsigned char*>(text) - sizeof(uint32_t), sizeof(count));
  return count;
}

QORV_EXPORT UINT SysStringLen(BSTR text) {
  return SysStringByteLen(text) / static_cast<UINT>(sizeof(OLECHAR));
}

}  // extern "C"
