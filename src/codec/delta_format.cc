#include "codec/delta_format.h"

#include <cstdint>
#include <limits>

namespace qorv {

uint32_t ChooseBlockSize(uint64_t old_size) {
  if (old_size < 0x100000u) return 2048;
  if (old_size < 0x3200000u) return 4096;
  if (old_size <= 0x63FFFFFu) return 10240;
  return 30720;
}

DeltaStatus CountBlocks(uint64_t size, uint32_t block_size, std::string_view path,
                        uint32_t* count) {
  const uint64_t blocks = block_size == 0 ? 0 : size / block_size + (size % block_size != 0);
  if (blocks > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
    return {kDeltaFileTooHuge,
            "Exception: Not supported so huge size file " + std::string(path) + "."};
  }
  *count = static_cast<uint32_t>(blocks);
  return {};
}

DeltaStatus ReadExactly(const DeltaRead& read, uint8_t* into, size_t count,
                        const DeltaStatus& short_read) {
  while (count > 0) {
    size_t got = 0;
    DeltaStatus status = read(into, count, &got);
    if (!status.ok()) return status;
    if (got == 0) return short_read;
    into += got;
    count -= got;
  }
  return {};
}

}  // namespace qorv
