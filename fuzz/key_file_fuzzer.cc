// Blowfish user key files as a user might be handed them.
//
// Input: a mode byte, then the file's text. With bit 0 of the mode set, the
// Hash line (the fourteenth) is replaced by the right checksum of the other
// values before parsing, so that the key and expiry readers behind the
// checksum are reached too.
//
// Properties, beyond not crashing:
// - a usable file has a real expiry: "Never", or 00:00 of a day of the
//   years 100 to 9999 (whole OLE days from -657434 to 2958465);
// - a usable file written again with FormatKeyFile reads back with the same
//   user name, server name, expiry and user key;
// - a file that is not usable says why, with one of the fixed texts.
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "net/key_file.h"
#include "qorvsdk/result_codes.h"

namespace qorv::fuzz {
namespace {

constexpr double kFirstDay = -657434;  // 0100-01-01
constexpr double kLastDay = 2958465;   // 9999-12-31
constexpr char kFileName[] = "fuzz.key";

// Splits as the reader does: LF or CR LF, an empty tail not counted.
std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    const size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = next;
  }
  return lines;
}

// The text with its Hash line set to the checksum of its values.
std::string WithRightChecksum(std::string_view text) {
  std::vector<std::string> lines = Lines(text);
  if (lines.size() < kKeyFileLineCount) return std::string(text);
  KeyFileFields fields;
  fields.user_name = lines[1];
  fields.cache_server_marker = lines[3];
  fields.server_name = lines[5];
  fields.key_file_type = lines[7];
  fields.expires = lines[9];
  fields.key = lines[11];
  lines[13] = KeyFileChecksum(fields);
  std::string fixed;
  for (const std::string& line : lines) fixed.append(line).append("\n");
  return fixed;
}

bool IsFixedFailureText(const std::string& description) {
  return description == kTextKeyFileWrongFormat || description == kTextKeyFileChecksumFailed ||
         description == kTextKeyFileWrongExpiry ||
         description == std::string(kTextKeyFileReadError) + kFileName;
}

void RunKeyFile(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const bool fix_checksum = (input.Byte() & 1) != 0;
  const std::string text =
      fix_checksum ? WithRightChecksum(input.RestText()) : std::string(input.RestText());
  const KeyFileInfo info = ParseKeyFile(text, kFileName);
  if (!info.usable) {
    QORV_FUZZ_CHECK(IsFixedFailureText(info.description), "an unusable file says why");
    return;
  }
  if (!info.never_expires) {
    QORV_FUZZ_CHECK(info.expires == std::floor(info.expires) && info.expires >= kFirstDay &&
                        info.expires <= kLastDay,
                    "an expiry is 00:00 of a day of the years 100 to 9999");
  }
  const std::vector<std::string> lines = Lines(text);
  KeyFileFields fields;
  fields.user_name = lines[1];
  fields.cache_server_marker = lines[3];
  fields.server_name = lines[5];
  fields.key_file_type = lines[7];
  fields.expires = lines[9];
  const KeyFileInfo again = ParseKeyFile(FormatKeyFile(fields, info.user_key), kFileName);
  QORV_FUZZ_CHECK(again.usable, "a file written again is usable");
  QORV_FUZZ_CHECK(again.user_key == info.user_key, "the user key survives writing");
  QORV_FUZZ_CHECK(again.user_name == info.user_name && again.server_name == info.server_name,
                  "the names survive writing");
  QORV_FUZZ_CHECK(again.never_expires == info.never_expires && again.expires == info.expires,
                  "the expiry survives writing");
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::RunKeyFile(data, size);
  return 0;
}
