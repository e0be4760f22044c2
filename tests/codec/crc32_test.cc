// CRC-32 over whole buffers and over a stream fed in chunks, against the
// published check value and zlib's crc32().
#include "codec/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

namespace qorv {
namespace {

TEST(Crc32, CheckValueAndPieces) {
  const std::string text = "123456789";
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  EXPECT_EQ(Crc32Update(0, bytes, text.size()), 0xCBF43926u);
  EXPECT_EQ(Crc32Update(0, bytes, 0), 0u);
  uint32_t running = 0;
  for (size_t split : {2u, 3u, 4u}) {
    running = Crc32Update(0, bytes, split);
    running = Crc32Update(running, bytes + split, text.size() - split);
    EXPECT_EQ(running, 0xCBF43926u);
  }
}

// Every byte value, in chunks of random sizes (empty ones among them), gives
// zlib's value at every chunk boundary.
TEST(Crc32, StreamedChunksMatchZlib) {
  std::mt19937 random(20240611);
  std::vector<uint8_t> data(70000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(random());
  for (int run = 0; run < 20; ++run) {
    Crc32 stream;
    EXPECT_EQ(stream.value(), 0u);
    uLong reference = crc32(0L, Z_NULL, 0);
    size_t offset = 0;
    while (offset < data.size()) {
      const size_t chunk = std::min<size_t>(random() % 9000, data.size() - offset);
      stream.Update(data.data() + offset, chunk);
      reference = crc32(reference, data.data() + offset, static_cast<uInt>(chunk));
      offset += chunk;
      ASSERT_EQ(stream.value(), reference) << "run " << run << " after " << offset << " bytes";
    }
  }
  Crc32 text;
  text.Update(std::string_view("1234"));
  text.Update(std::string_view("56789"));
  EXPECT_EQ(text.value(), 0xCBF43926u);
}

}  // namespace
}  // namespace qorv
