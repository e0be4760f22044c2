// The one-entry deflate ZIP form: round trips at the buffer boundaries, the
// fixed fields of the records and the ZIP64 threshold, archives checked by
// unzip and by Python's zipfile, archives written by Python read back, and
// hostile or broken archives refused without writing past what they
// announce.
#include "codec/zip_archive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/captured_program.h"
#include "support/scoped_temp.h"
#include "support/zip_memory.h"

namespace qorv {
namespace {

using testing::PackToString;
using testing::UnpackFromString;

std::string TextBytes(size_t size) {
  std::string text;
  for (size_t line = 0; text.size() < size; ++line) {
    text += "line " + std::to_string(line) + " of some source text;\r\n";
  }
  text.resize(size);
  return text;
}

std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

uint32_t ZlibCrc(const std::string& bytes) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

uint16_t At16(const std::string& s, size_t at) {
  return zip::Load16(reinterpret_cast<const uint8_t*>(s.data()) + at);
}
uint32_t At32(const std::string& s, size_t at) {
  return zip::Load32(reinterpret_cast<const uint8_t*>(s.data()) + at);
}
uint64_t At64(const std::string& s, size_t at) {
  return zip::Load64(reinterpret_cast<const uint8_t*>(s.data()) + at);
}
void Set16(std::string& s, size_t at, uint16_t value) {
  s[at] = static_cast<char>(value & 0xFF);
  s[at + 1] = static_cast<char>(value >> 8);
}
void Set64(std::string& s, size_t at, uint64_t value) {
  for (int i = 0; i < 8; ++i) s[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Where the records of an archive with the entry name "body" are.
struct Layout {
  size_t data = 30 + 4 + 32;
  size_t central = 0;
  explicit Layout(const std::string& archive, bool zip64 = false) {
    central = archive.size() - 22 - (zip64 ? 76 : 0) - (46 + 4 + 32);
  }
};

TEST(ZipArchive, RoundTripsAtBufferAndSizeBoundaries) {
  std::vector<std::string> inputs;
  for (size_t size : {size_t{0}, size_t{1}, kZipBufferSize - 1, kZipBufferSize, kZipBufferSize + 1,
                      3 * kZipBufferSize + 17}) {
    inputs.push_back(TextBytes(size));
    inputs.push_back(RandomBytes(size, static_cast<uint32_t>(size)));
  }
  for (const std::string& input : inputs) {
    ZipResult packed;
    const std::string archive = PackToString(input, {}, &packed);
    ASSERT_TRUE(packed.ok()) << packed.text;
    EXPECT_EQ(packed.text, "File Zipped successfully");
    std::string output;
    zip::Entry entry;
    const ZipResult unpacked = UnpackFromString(archive, &output, UINT64_MAX, &entry);
    ASSERT_TRUE(unpacked.ok()) << input.size() << ": " << unpacked.text;
    EXPECT_EQ(unpacked.text, "File unzipped successfully");
    EXPECT_EQ(output, input) << input.size();
    EXPECT_EQ(entry.crc, ZlibCrc(input));
    EXPECT_EQ(entry.size, input.size());
    EXPECT_EQ(entry.name, "body");
  }
  // Text packs well at the default level.
  const std::string text = TextBytes(1 << 20);
  EXPECT_LT(PackToString(text).size(), text.size() / 4);
}

TEST(ZipArchive, RecordsCarryTheFixedFieldsAndZip64FromTheOffsetLimit) {
  const std::string input = TextBytes(10000);
  const std::string archive = PackToString(input);
  const Layout at(archive);
  const uint64_t compressed = at.central - at.data;
  // Local header.
  EXPECT_EQ(At32(archive, 0), zip::kLocalHeaderSignature);
  EXPECT_EQ(At16(archive, 4), 20);
  EXPECT_EQ(At16(archive, 6), 0);
  EXPECT_EQ(At16(archive, 8), 8);
  EXPECT_EQ(At32(archive, 14), ZlibCrc(input));
  EXPECT_EQ(At16(archive, 26), 4);
  EXPECT_EQ(At16(archive, 28), 32);
  EXPECT_EQ(archive.substr(30, 4), "body");
  EXPECT_EQ(At16(archive, 34), 1);
  EXPECT_EQ(At16(archive, 36), 28);
  EXPECT_EQ(At64(archive, 38), input.size());
  EXPECT_EQ(At64(archive, 46), compressed);
  // Central directory header.
  const size_t c = at.central;
  EXPECT_EQ(At32(archive, c), zip::kCentralHeaderSignature);
  EXPECT_EQ(At16(archive, c + 4), 20);
  EXPECT_EQ(At16(archive, c + 6), 20);
  EXPECT_EQ(At16(archive, c + 10), 8);
  EXPECT_EQ(At32(archive, c + 16), ZlibCrc(input));
  EXPECT_EQ(At16(archive, c + 30), 32);
  EXPECT_EQ(At16(archive, c + 36), 1);
  EXPECT_EQ(At32(archive, c + 38), 32u);
  EXPECT_EQ(At64(archive, c + 46 + 4 + 4), input.size());
  EXPECT_EQ(At64(archive, c + 46 + 4 + 12), compressed);
  EXPECT_EQ(At64(archive, c + 46 + 4 + 20), 0u);
  // End of central directory: one entry, the directory's size and offset.
  const size_t e = archive.size() - 22;
  EXPECT_EQ(At32(archive, e), zip::kEndSignature);
  EXPECT_EQ(At16(archive, e + 8), 1);
  EXPECT_EQ(At16(archive, e + 10), 1);
  EXPECT_EQ(At32(archive, e + 12), 46u + 4 + 32);
  EXPECT_EQ(At32(archive, e + 16), c);

  // The ZIP64 records come exactly from the offset limit on.
  ZipPackOptions options;
  options.zip64_offset_limit = c + 1;
  EXPECT_EQ(PackToString(input, options).size(), archive.size());
  options.zip64_offset_limit = c;
  const std::string zip64 = PackToString(input, options);
  ASSERT_EQ(zip64.size(), archive.size() + 76);
  const size_t r = c + 46 + 4 + 32;  // the ZIP64 end record
  EXPECT_EQ(At32(zip64, r), zip::kZip64EndSignature);
  EXPECT_EQ(At64(zip64, r + 4), 44u);
  EXPECT_EQ(At64(zip64, r + 24), 1u);
  EXPECT_EQ(At64(zip64, r + 32), 1u);
  EXPECT_EQ(At64(zip64, r + 40), 46u + 4 + 32);
  EXPECT_EQ(At64(zip64, r + 48), c);
  EXPECT_EQ(At32(zip64, r + 56), zip::kZip64LocatorSignature);
  EXPECT_EQ(At64(zip64, r + 64), r);
  EXPECT_EQ(At32(zip64, r + 72), 1u);
  EXPECT_EQ(At32(zip64, zip64.size() - 22 + 16), 0xFFFFFFFFu);
  std::string output;
  ASSERT_TRUE(UnpackFromString(zip64, &output).ok());
  EXPECT_EQ(output, input);
}

// Runs `program` with `arguments`; its exit code, or -1 when it could not
// run. `output` gets what it wrote.
int RunTool(const std::string& program, const std::vector<std::string>& arguments,
            std::string* output = nullptr) {
  platform::CapturedProgram tool;
  if (tool.Start(program, arguments, {}, "") != 0) return -1;
  int exit_code = -1;
  if (!tool.Finish(60000, &exit_code)) return -1;
  if (output != nullptr) *output = tool.out() + tool.err();
  return exit_code;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Python's zipfile tests the archive (testzip) and reads its one entry,
// which must equal the source file byte for byte.
constexpr char kPythonCheck[] = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    if z.testzip() is not None: sys.exit(2)
    names = z.namelist()
    if len(names) != 1: sys.exit(3)
    if z.read(names[0]) != open(sys.argv[2], 'rb').read(): sys.exit(4)
)";

TEST(ZipArchive, UnzipAndPythonZipfileAcceptOurArchives) {
  const std::string unzip = testing::FindOnPath("unzip");
  const std::string python = testing::FindOnPath("python3");
  if (unzip.empty() && python.empty()) GTEST_SKIP() << "neither unzip nor python3 is installed";
  testing::ScopedTempFolder folder;
  ZipPackOptions zip64;
  zip64.zip64_offset_limit = 0;
  const struct {
    const char* name;
    std::string input;
    ZipPackOptions options;
  } cases[] = {{"empty", "", {}},
               {"text", TextBytes(300000), {}},
               {"binary", RandomBytes(kZipBufferSize + 5, 7), {}},
               {"zip64", TextBytes(70000), zip64}};
  for (const auto& test : cases) {
    const std::string source = folder.Child(std::string(test.name) + ".src");
    const std::string archive = folder.Child(std::string(test.name) + ".zip");
    WriteFile(source, test.input);
    WriteFile(archive, PackToString(test.input, test.options));
    std::string said;
    if (!unzip.empty()) {
      EXPECT_EQ(RunTool(unzip, {"-t", archive}, &said), 0) << test.name << ": " << said;
    }
    if (!python.empty()) {
      EXPECT_EQ(RunTool(python, {"-c", kPythonCheck, archive, source}, &said), 0)
          << test.name << ": " << said;
    }
  }
  // Both tools do notice a broken entry: a CRC-32 that differs.
  const std::string input = TextBytes(1000);
  std::string broken = PackToString(input);
  broken[Layout(broken).central + 16] ^= 1;
  broken[14] ^= 1;
  const std::string source = folder.Child("broken.src");
  const std::string archive = folder.Child("broken.zip");
  WriteFile(source, input);
  WriteFile(archive, broken);
  if (!unzip.empty()) {
    EXPECT_NE(RunTool(unzip, {"-t", archive}), 0);
  }
  if (!python.empty()) {
    EXPECT_NE(RunTool(python, {"-c", kPythonCheck, archive, source}), 0);
  }
}

TEST(ZipArchive, UnpacksDeflateArchivesWrittenByPython) {
  const std::string python = testing::FindOnPath("python3");
  if (python.empty()) GTEST_SKIP() << "python3 is not installed";
  testing::ScopedTempFolder folder;
  const std::string input = TextBytes(200000) + RandomBytes(5000, 3);
  const std::string source = folder.Child("input.bin");
  WriteFile(source, input);
  // A seekable file gets the sizes in the local header; a pipe gets a data
  // descriptor after the data (flag bit 3).
  const std::string seekable = folder.Child("seekable.zip");
  const std::string streamed = folder.Child("streamed.zip");
  ASSERT_EQ(RunTool(python, {"-c",
                             "import sys, zipfile\n"
                             "with zipfile.ZipFile(sys.argv[2], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                             "    z.write(sys.argv[1], 'input.bin')\n",
                             source, seekable}),
            0);
  ASSERT_EQ(
      RunTool("/bin/sh", {"-c",
                          "\"$0\" -c 'import sys, zipfile\n"
                          "z = zipfile.ZipFile(sys.stdout.buffer, \"w\", zipfile.ZIP_DEFLATED)\n"
                          "z.writestr(\"input.bin\", open(sys.argv[1], \"rb\").read())\n"
                          "z.close()' \"$1\" | cat > \"$2\"",
                          python, source, streamed}),
      0);
  for (const std::string& path : {seekable, streamed}) {
    const std::string archive = ReadFile(path);
    std::string output;
    zip::Entry entry;
    const ZipResult result = UnpackFromString(archive, &output, UINT64_MAX, &entry);
    EXPECT_TRUE(result.ok()) << path << ": " << result.text;
    EXPECT_EQ(output, input) << path;
    EXPECT_EQ(entry.name, "input.bin");
  }
  EXPECT_EQ(At16(ReadFile(streamed), 6) & 8, 8) << "the streamed archive has a data descriptor";
}

TEST(ZipArchive, HostileArchivesFailWithoutWritingPastTheirEntry) {
  const std::string input = TextBytes(50000);
  const std::string good = PackToString(input);
  const Layout at(good);
  const size_t c = at.central;
  const size_t extra = c + 46 + 4;  // the central header's ZIP64 extra field
  const struct {
    const char* what;
    std::function<void(std::string&)> change;
    int32_t result;
  } cases[] = {
      {"no local header", [](std::string& a) { a[2] = 5; }, 3},
      {"CRC differs", [&](std::string& a) { a[c + 16] ^= 1; }, 39},
      {"announces one byte more", [&](std::string& a) { Set64(a, extra + 4, input.size() + 1); },
       3},
      {"inflates beyond its size", [&](std::string& a) { Set64(a, extra + 4, 1000); }, 3},
      {"compressed size past the directory",
       [&](std::string& a) { Set64(a, extra + 12, c - at.data + 1); }, 3},
      {"compressed size cut short",
       [&](std::string& a) { Set64(a, extra + 12, c - at.data - 100); }, 2},
      {"stored, not deflated", [&](std::string& a) { Set16(a, c + 10, 0); }, 42},
      {"encrypted", [&](std::string& a) { Set16(a, c + 8, 1); }, 41},
      {"local header elsewhere", [&](std::string& a) { Set64(a, extra + 20, 5); }, 3},
      {"name beyond the end", [&](std::string& a) { Set16(a, c + 28, 0xFFFF); }, 3},
      {"extra field beyond the end", [&](std::string& a) { Set16(a, c + 30, 0xFFFF); }, 3},
      {"sizes marked but no ZIP64 field", [&](std::string& a) { Set16(a, extra, 0x9999); }, 3},
      {"ZIP64 field shorter than its markers", [&](std::string& a) { Set16(a, extra + 2, 12); }, 3},
      {"data garbled", [&](std::string& a) { a[at.data + 10] ^= 0x55; }, -1},
  };
  for (const auto& test : cases) {
    std::string archive = good;
    test.change(archive);
    std::string output;
    const ZipResult result = UnpackFromString(archive, &output);
    EXPECT_EQ(result.code, kZipUnpackFailure) << test.what;
    if (test.result >= 0) {
      EXPECT_EQ(result.library_result, test.result) << test.what;
      EXPECT_EQ(result.text, UnzipMessage(test.result)) << test.what;
    }
    // Never more than the entry announced (the one changed included).
    EXPECT_LE(output.size(), input.size()) << test.what;
  }
  // A bomb: 4 MiB of zeros announced as 1000 bytes.
  std::string bomb = PackToString(std::string(4 << 20, '\0'));
  Set64(bomb, Layout(bomb).central + 46 + 4 + 4, 1000);
  std::string output;
  EXPECT_EQ(UnpackFromString(bomb, &output).library_result, 3);
  EXPECT_LE(output.size(), 1000u);
  // The caller's limit refuses an entry before a byte is written.
  EXPECT_EQ(UnpackFromString(good, &output, input.size() - 1).library_result, 3);
  EXPECT_TRUE(output.empty());
  EXPECT_TRUE(UnpackFromString(good, &output, input.size()).ok());
  // A tail crafted full of central directory signatures, each announcing a
  // 60,000-byte extra field: only a bounded number of them are read.
  std::string crafted = good;
  for (int i = 0; i < 4000; ++i) {
    std::string block(46, '\0');
    block[0] = 'P', block[1] = 'K', block[2] = 1, block[3] = 2;
    Set16(block, 30, 60000);
    block[42] = 5;  // a local header elsewhere than at 0: never a valid entry
    crafted += block;
  }
  uint64_t bytes_read = 0;
  ZipUnpackIo io;
  io.archive_size = crafted.size();
  io.read_at = [&](uint64_t offset, uint8_t* into, size_t count) {
    if (offset + count > crafted.size()) return false;
    std::memcpy(into, crafted.data() + offset, count);
    bytes_read += count;
    return true;
  };
  io.write = [](const uint8_t*, size_t) { return true; };
  EXPECT_EQ(UnpackZip(io).library_result, 3);
  EXPECT_LT(bytes_read, 8u << 20);
  // Every truncation fails.
  for (size_t length = 0; length < good.size(); length += 37) {
    EXPECT_FALSE(UnpackFromString(good.substr(0, length), &output).ok()) << length;
  }
}

TEST(ZipArchive, CancelAndFailingCallbacksGiveTheirResults) {
  const std::string input = TextBytes(5 * kZipBufferSize);
  std::string archive;
  ZipPackIo io;
  int reads = 0;
  io.read = [&](uint8_t* into, size_t capacity, size_t* got) {
    *got = ++reads <= 5 ? capacity : 0;
    std::memset(into, 'a', *got);
    return true;
  };
  io.write = [&](const uint8_t* from, size_t count) {
    archive.append(reinterpret_cast<const char*>(from), count);
    return true;
  };
  io.rewrite = [](uint64_t, const uint8_t*, size_t) { return true; };
  io.canceled = [&] { return reads == 2; };
  ZipResult result = PackZip(io, {});
  EXPECT_EQ(result.code, 401);
  EXPECT_EQ(result.library_result, 9);
  EXPECT_EQ(result.text, "Error zipping file: Application canceled operation");

  io.canceled = nullptr;
  reads = 0;
  io.rewrite = [](uint64_t, const uint8_t*, size_t) { return false; };
  EXPECT_EQ(PackZip(io, {}).library_result, 3);
  io.read = [](uint8_t*, size_t, size_t*) { return false; };
  EXPECT_EQ(PackZip(io, {}).library_result, 11);
  io.write = [](const uint8_t*, size_t) { return false; };
  result = PackZip(io, {});
  EXPECT_EQ(result.library_result, 14);
  EXPECT_EQ(result.text, "Error zipping file: Output file write failure, possible disk full");

  archive = PackToString(input);
  ZipUnpackIo in;
  in.archive_size = archive.size();
  in.read_at = [&](uint64_t offset, uint8_t* into, size_t count) {
    if (offset + count > archive.size()) return false;
    std::memcpy(into, archive.data() + offset, count);
    return true;
  };
  int writes = 0;
  in.write = [&](const uint8_t*, size_t) { return ++writes < 2; };
  result = UnpackZip(in);
  EXPECT_EQ(result.code, 402);
  EXPECT_EQ(result.library_result, 50);
  writes = 0;
  in.canceled = [&] { return writes == 1; };
  result = UnpackZip(in);
  EXPECT_EQ(result.code, 402);
  EXPECT_EQ(result.library_result, 40);
  EXPECT_EQ(result.text, "Error unzipping file: Application canceled operation");
}

}  // namespace
}  // namespace qorv
