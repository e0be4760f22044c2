// The delta codec: the weak checksum in its block and rolling forms, the
// block size table, digest, scan and rebuild round trips with the record
// layouts they must produce, and digest and delta files from a hostile
// peer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "codec/byte_order.h"
#include "codec/delta_digest.h"
#include "codec/delta_format.h"
#include "codec/delta_rebuild.h"
#include "codec/delta_scan.h"
#include "codec/weak_checksum.h"

namespace qorv {
namespace {

using Bytes = std::string;

// The checksum as its definition reads: one byte a step.
uint32_t SimpleWeakChecksum(const uint8_t* data, size_t length) {
  uint16_t s1 = 0;
  uint16_t s2 = 0;
  for (size_t i = 0; i < length; ++i) {
    s1 = static_cast<uint16_t>(s1 + data[i] + 3);
    s2 = static_cast<uint16_t>(s2 + s1);
  }
  return (static_cast<uint32_t>(s2) << 16) | s1;
}

const uint8_t* U(const Bytes& bytes) { return reinterpret_cast<const uint8_t*>(bytes.data()); }

Bytes RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

// A memory file as the codec's reader: in pieces of at most `piece` bytes,
// so that the codec's buffering across short reads is exercised.
DeltaRead MemoryReader(const Bytes& bytes, size_t* position, size_t piece = 1000) {
  return [&bytes, position, piece](uint8_t* into, size_t count, size_t* got) {
    *got = std::min({count, piece, bytes.size() - *position});
    std::memcpy(into, bytes.data() + *position, *got);
    *position += *got;
    return DeltaStatus{};
  };
}

DeltaReadAt MemoryRandomReader(const Bytes& bytes) {
  return [&bytes](uint64_t offset, uint8_t* into, size_t count, size_t* got) {
    *got = offset >= bytes.size() ? 0 : std::min<size_t>(count, bytes.size() - offset);
    std::memcpy(into, bytes.data() + offset, *got);
    return DeltaStatus{};
  };
}

DeltaWrite MemoryWriter(Bytes* out) {
  return [out](const uint8_t* from, size_t count) {
    out->append(reinterpret_cast<const char*>(from), count);
    return DeltaStatus{};
  };
}

Bytes Digest(const Bytes& old, uint32_t block_size = 0) {
  size_t position = 0;
  Bytes digest;
  const DeltaStatus status = WriteDigest(old.size(), block_size, "old",
                                         MemoryReader(old, &position), MemoryWriter(&digest));
  EXPECT_TRUE(status.ok()) << status.text;
  return digest;
}

DeltaStatus LoadTable(const Bytes& digest, BlockTable* table) {
  size_t position = 0;
  return BlockTable::Load(MemoryReader(digest, &position), digest.size(), table);
}

Bytes Delta(const Bytes& digest, const Bytes& now) {
  BlockTable table;
  const DeltaStatus loaded = LoadTable(digest, &table);
  EXPECT_TRUE(loaded.ok()) << loaded.text;
  size_t position = 0;
  Bytes delta;
  const DeltaStatus status = WriteDelta(table, MemoryReader(now, &position), MemoryWriter(&delta));
  EXPECT_TRUE(status.ok()) << status.text;
  return delta;
}

struct Rebuilt {
  DeltaStatus status;
  RebuildResult result;
  Bytes bytes;
};

Rebuilt Rebuild(const Bytes& old, const Bytes& delta, uint64_t max_output = UINT64_MAX) {
  Rebuilt rebuilt;
  size_t position = 0;
  rebuilt.status =
      Reconstruct(MemoryReader(delta, &position), delta.size(), MemoryRandomReader(old), old.size(),
                  max_output, MemoryWriter(&rebuilt.bytes), &rebuilt.result);
  return rebuilt;
}

// The records of a delta file: literal lengths as positive values, block
// runs as {-(run length), start}.
struct Record {
  int64_t literal = 0;
  uint32_t run = 0;
  uint32_t start = 0;
};
std::vector<Record> Records(const Bytes& delta) {
  std::vector<Record> records;
  size_t at = 4;
  while (at + 16 < delta.size()) {
    const uint16_t value = static_cast<uint16_t>(U(delta)[at] | (U(delta)[at + 1] << 8));
    at += 2;
    if (value & 0x8000) {
      records.push_back({0, value & 0x7FFFu, LoadLittleEndian32(U(delta) + at)});
      at += 4;
    } else {
      records.push_back({value, 0, 0});
      at += value;
    }
  }
  EXPECT_EQ(at + 16, delta.size());
  return records;
}

void ExpectRoundTrip(const Bytes& old, const Bytes& now, uint32_t block_size = 0) {
  const Bytes delta = Delta(Digest(old, block_size), now);
  const Rebuilt rebuilt = Rebuild(old, delta, now.size());
  ASSERT_TRUE(rebuilt.status.ok()) << rebuilt.status.text;
  EXPECT_TRUE(rebuilt.result.md4_matches);
  EXPECT_EQ(rebuilt.result.size, now.size());
  EXPECT_TRUE(rebuilt.bytes == now);
}

TEST(WeakChecksumTest, BlockFormAndRollingFormAgreeWithTheDefinition) {
  const Bytes data = RandomBytes(300, 1) + Bytes(40, '\xFF');
  for (size_t length = 0; length <= 64; ++length) {
    for (size_t start : {size_t{0}, size_t{3}, size_t{250}}) {
      EXPECT_EQ(WeakChecksum(U(data) + start, length), SimpleWeakChecksum(U(data) + start, length))
          << "length " << length << " at " << start;
    }
  }
  // Rolled over the whole buffer, then shrunk to nothing at its end, the
  // window always carries the checksum of the bytes it covers.
  const size_t window = 37;
  RollingChecksum rolling;
  rolling.Start(U(data), window);
  size_t start = 0;
  for (; start + window < data.size(); ++start) {
    rolling.Roll(U(data)[start], U(data)[start + window]);
    ASSERT_EQ(rolling.value(), SimpleWeakChecksum(U(data) + start + 1, window)) << start;
  }
  for (size_t length = window; length > 0; --length, ++start) {
    rolling.Shrink(U(data)[start]);
    ASSERT_EQ(rolling.length(), length - 1);
    ASSERT_EQ(rolling.value(), SimpleWeakChecksum(U(data) + start + 1, length - 1));
  }
}

TEST(DeltaFormatTest, BlockSizesFollowTheOldSizeAndHugeCountsAreRefused) {
  EXPECT_EQ(ChooseBlockSize(0), 2048u);
  EXPECT_EQ(ChooseBlockSize(1048575), 2048u);
  EXPECT_EQ(ChooseBlockSize(1048576), 4096u);
  EXPECT_EQ(ChooseBlockSize(52428799), 4096u);
  EXPECT_EQ(ChooseBlockSize(52428800), 10240u);
  EXPECT_EQ(ChooseBlockSize(104857599), 10240u);
  EXPECT_EQ(ChooseBlockSize(104857600), 30720u);

  uint32_t count = 0;
  ASSERT_TRUE(CountBlocks(4097, 2048, "f", &count).ok());
  EXPECT_EQ(count, 3u);
  const uint64_t limit = 0x7FFFFFFFull * 16;
  EXPECT_TRUE(CountBlocks(limit, 16, "f", &count).ok());
  const DeltaStatus huge = CountBlocks(limit + 1, 16, "/w/big.bin", &count);
  EXPECT_EQ(huge.code, 303);
  EXPECT_EQ(huge.text, "Exception: Not supported so huge size file /w/big.bin.");

  // The digest header carries the chosen block size.
  EXPECT_EQ(LoadLittleEndian32(U(Digest(Bytes(1048575, 'a'))) + 8), 2048u);
  EXPECT_EQ(LoadLittleEndian32(U(Digest(Bytes(1048576, 'a'))) + 8), 4096u);
  EXPECT_EQ(Digest(Bytes(1048576, 'a')).size(), 12u + 20u * 256u);
}

TEST(DeltaRoundTripTest, EmptyIdenticalAndUnrelatedFilesGiveTheirRecordShapes) {
  const Bytes old = RandomBytes(5000, 2);
  // An empty new file: block size and MD4 only, rebuilt to nothing.
  const Bytes empty_delta = Delta(Digest(old), "");
  EXPECT_EQ(empty_delta.size(), 20u);
  ExpectRoundTrip(old, "");

  // Identical: block runs only, one record per 32767 blocks (16-byte blocks,
  // the last one short).
  const Bytes same = RandomBytes(16 * (2 * 32767 + 2) + 5, 3);
  const std::vector<Record> runs = Records(Delta(Digest(same, 16), same));
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].run, 32767u);
  EXPECT_EQ(runs[0].start, 0u);
  EXPECT_EQ(runs[1].run, 32767u);
  EXPECT_EQ(runs[1].start, 32767u);
  EXPECT_EQ(runs[2].run, 3u);
  EXPECT_EQ(runs[2].start, 65534u);
  ExpectRoundTrip(same, same, 16);

  // Nothing in common: literals of at most 32767 bytes that add up.
  const Bytes other = RandomBytes(100000, 4);
  const std::vector<Record> literals = Records(Delta(Digest(old), other));
  int64_t total = 0;
  for (const Record& record : literals) {
    EXPECT_EQ(record.run, 0u);
    EXPECT_LE(record.literal, 32767);
    total += record.literal;
  }
  EXPECT_EQ(total, 100000);
  EXPECT_EQ(literals.size(), 4u);
  ExpectRoundTrip(old, other);
}

TEST(DeltaRoundTripTest, AShortLastBlockMatchesOnlyAtTheEndOrAsTheWholeFile) {
  const Bytes a = RandomBytes(2048, 5);
  const Bytes b = RandomBytes(100, 6);
  // b leads the new file but is no window there (windows are 2048 bytes
  // until the end), so it goes literal; at the end it is block 1.
  const Bytes now = b + a + b;
  const std::vector<Record> records = Records(Delta(Digest(a + b), now));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].literal, 100);
  EXPECT_EQ(records[1].run, 2u);  // a, then b: blocks 0 and 1 in a row
  EXPECT_EQ(records[1].start, 0u);
  ExpectRoundTrip(a + b, now);
  // A file shorter than one block, unchanged: the whole file is block 0.
  const std::vector<Record> whole = Records(Delta(Digest(b), b));
  ASSERT_EQ(whole.size(), 1u);
  EXPECT_EQ(whole[0].run, 1u);
}

TEST(DeltaRoundTripTest, ScatteredChangesInsertionsAndDeletionsRebuildExactly) {
  const Bytes old = RandomBytes(3 * 1024 * 1024 + 77, 7);
  Bytes now = old;
  std::mt19937 random(8);
  for (int i = 0; i < 30; ++i) now[random() % now.size()] ^= 0x5A;
  now.insert(12345, "inserted bytes");
  now.erase(2000000, 999);
  const Bytes delta = Delta(Digest(old), now);
  EXPECT_LT(delta.size(), now.size() / 10);  // most blocks travel as references
  ExpectRoundTrip(old, now);
  ExpectRoundTrip("", now);  // no old file: all literal
}

// A delta file assembled by hand: block size, records, MD4 of `target`.
Bytes HandDelta(uint32_t block_size, const Bytes& records, const Bytes& md4_source) {
  Bytes delta(4, '\0');
  StoreLittleEndian32(reinterpret_cast<uint8_t*>(delta.data()), block_size);
  delta += records;
  // The MD4 of the intended output is taken from a real delta of it.
  const Bytes real = Delta(Digest(""), md4_source);
  return delta + real.substr(real.size() - 16);
}
Bytes Literal(const Bytes& bytes) {
  Bytes record;
  record.push_back(static_cast<char>(bytes.size() & 0xFF));
  record.push_back(static_cast<char>(bytes.size() >> 8));
  return record + bytes;
}
Bytes BlockRun(uint16_t length, uint32_t start) {
  Bytes record(6, '\0');
  const uint16_t value = static_cast<uint16_t>(0x8000 | length);
  record[0] = static_cast<char>(value & 0xFF);
  record[1] = static_cast<char>(value >> 8);
  StoreLittleEndian32(reinterpret_cast<uint8_t*>(record.data() + 2), start);
  return record;
}

TEST(DeltaHostileInputTest, MalformedDeltaFilesFailWithoutWritingPastTheirBounds) {
  const Bytes old = RandomBytes(4096 + 10, 9);  // blocks 0, 1 and a short block 2
  const Bytes good = HandDelta(2048, Literal("xy") + BlockRun(2, 1), "xy" + old.substr(2048));
  const Rebuilt ok = Rebuild(old, good);
  ASSERT_TRUE(ok.status.ok()) << ok.status.text;
  EXPECT_TRUE(ok.result.md4_matches);

  const struct {
    const char* what;
    Bytes delta;
  } cases[] = {
      {"15 bytes", Bytes(15, '\0')},
      {"19 bytes", Bytes(19, '\0')},
      {"block size 0", HandDelta(0, BlockRun(1, 0), "")},
      {"absurd block size", HandDelta(0x7FFFFFFF, BlockRun(1, 0), "")},
      {"run of 0 blocks", HandDelta(2048, BlockRun(0, 0), "")},
      {"literal of 0 bytes", HandDelta(2048, Literal(""), "")},
      {"run past the old file", HandDelta(2048, BlockRun(2, 2), "")},
      {"run starting far out", HandDelta(2048, BlockRun(1, 0xFFFFFFFF), "")},
      {"literal past the records", HandDelta(2048, Literal("abc").substr(0, 4), "")},
      {"run cut by the MD4", HandDelta(2048, BlockRun(1, 0).substr(0, 4), "")},
  };
  for (const auto& c : cases) {
    const Rebuilt rebuilt = Rebuild(old, c.delta);
    EXPECT_EQ(rebuilt.status.code, 304) << c.what;
    EXPECT_EQ(rebuilt.status.text, "Error format of delta information file.") << c.what;
  }

  // Runs cannot make the output grow past the bound: 1000 runs of the whole
  // old file stop at the cap, before writing past it.
  Bytes many;
  for (int i = 0; i < 1000; ++i) many += BlockRun(3, 0);
  const Rebuilt capped = Rebuild(old, HandDelta(2048, many, ""), 3 * old.size());
  EXPECT_EQ(capped.status.code, 304);
  EXPECT_LE(capped.bytes.size(), 3 * old.size());

  // A changed byte in the MD4 or in a literal is no format error: the
  // result says the file did not come out as sent.
  for (size_t at : {good.size() - 1, size_t{6}}) {
    Bytes corrupt = good;
    corrupt[at] ^= 1;
    const Rebuilt rebuilt = Rebuild(old, corrupt);
    ASSERT_TRUE(rebuilt.status.ok()) << rebuilt.status.text;
    EXPECT_FALSE(rebuilt.result.md4_matches) << at;
  }
}

TEST(DeltaHostileInputTest, DigestFilesThatDisagreeWithThemselvesAreRefused) {
  const Bytes digest = Digest(RandomBytes(5000, 10));  // 3 blocks of 2048
  BlockTable table;
  ASSERT_TRUE(LoadTable(digest, &table).ok());
  EXPECT_EQ(table.block_count(), 3u);

  auto with_block_size = [&digest](uint32_t block_size) {
    Bytes changed = digest;
    StoreLittleEndian32(reinterpret_cast<uint8_t*>(changed.data() + 8), block_size);
    return changed;
  };
  Bytes huge_size = digest;
  huge_size[7] = 0x7F;  // an old size of about 2^63 bytes
  const struct {
    const char* what;
    Bytes digest;
    int32_t code;
  } cases[] = {
      {"short header", digest.substr(0, 11), 305},
      {"one record missing", digest.substr(0, digest.size() - 20), 305},
      {"a byte too many", digest + "x", 305},
      {"block size 0", with_block_size(0), 305},
      {"absurd block size", with_block_size(0x40000000), 305},
      {"block size disagrees with the count", with_block_size(4096), 305},
      {"count beyond 31 bits", huge_size, 303},
  };
  for (const auto& c : cases) {
    BlockTable refused;
    EXPECT_EQ(LoadTable(c.digest, &refused).code, c.code) << c.what;
  }
  // A digest announcing more bytes than it holds ends as a short read.
  size_t position = 0;
  const Bytes cut = digest.substr(0, 32);
  BlockTable short_table;
  EXPECT_EQ(BlockTable::Load(MemoryReader(cut, &position), digest.size(), &short_table).code, 305);
}

}  // namespace
}  // namespace qorv
