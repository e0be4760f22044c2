#include "net/key_file.h"

#include <cstdint>
#include <cstring>

#include "codec/md4.h"
#include "net/blowfish.h"
#include "net/hex_text.h"
#include "platform/com/ascii_case.h"
#include "platform/com/civil_date.h"
#include "platform/sequential_file.h"
#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

int Decimal(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

std::string_view TrimBlanks(std::string_view text) {
  const char* blanks = " \t\r\n\v\f";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

// Splits the text into lines, removing LF or CR LF line ends. A last line
// without a line end counts; an empty tail after the last line end does not.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    const size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = next;
  }
  return lines;
}

Blowfish ProtectionCipher() {
  Blowfish cipher;
  cipher.SetKey(reinterpret_cast<const uint8_t*>(kKeyFileProtectionKey),
                std::strlen(kKeyFileProtectionKey));
  return cipher;
}

KeyFileInfo Unusable(std::string description) {
  KeyFileInfo info;
  info.description = std::move(description);
  return info;
}

}  // namespace

std::string KeyFileChecksum(const KeyFileFields& fields) {
  Md4 md4;
  for (std::string_view part :
       {std::string_view(kKeyFileChecksumPrefix), std::string_view(fields.user_name),
        std::string_view(fields.cache_server_marker), std::string_view(fields.server_name),
        std::string_view(fields.key_file_type), std::string_view(fields.expires),
        std::string_view(fields.key), std::string_view(kKeyFileChecksumSuffix)}) {
    md4.Update(part.data(), part.size());
  }
  uint8_t digest[Md4::kDigestSize];
  md4.Final(digest);
  return HexTextEncode(digest, sizeof(digest));
}

std::string ProtectUserKey(const ChannelKey& key) {
  uint8_t protected_key[kChannelKeySize];
  ProtectionCipher().Encipher(key.data(), protected_key, key.size());
  return HexTextEncode(protected_key, sizeof(protected_key));
}

bool ParseKeyFileExpiry(std::string_view text, bool* never_expires, double* expires) {
  *never_expires = false;
  *expires = 0;
  if (text == kKeyFileNeverExpires) {
    *never_expires = true;
    return true;
  }
  // yyyy/m/d: the fifth character is the first "/", the second one follows
  // within the next three characters, and at most two digits follow it.
  if (text.size() < 5 || text[4] != '/') return false;
  const size_t second = text.find('/', 5);
  if (second == std::string_view::npos || second > 7) return false;
  const std::string_view year_text = text.substr(0, 4);
  const std::string_view month_text = text.substr(5, second - 5);
  const std::string_view day_text = text.substr(second + 1);
  if (!AllDigits(year_text) || !AllDigits(month_text) || !AllDigits(day_text) ||
      day_text.size() > 2) {
    return false;
  }
  const int year = Decimal(year_text);
  const int month = Decimal(month_text);
  const int day = Decimal(day_text);
  // The range of OLE Automation dates.
  if (year < 100 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
    return false;
  }
  *expires = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochOleDays);
  return true;
}

KeyFileInfo ParseKeyFile(std::string_view text, std::string_view file_name) {
  const std::vector<std::string_view> lines = SplitLines(text);
  // A file that ends before its fourteenth line fails as a read would.
  if (lines.size() < kKeyFileLineCount) {
    return Unusable(std::string(kTextKeyFileReadError) + std::string(file_name));
  }
  static constexpr const char* kLabels[] = {kKeyFileLabelUserName,   kKeyFileLabelIsCacheServer,
                                            kKeyFileLabelServerName, kKeyFileLabelKeyFileTypeId,
                                            kKeyFileLabelExpires,    kKeyFileLabelKey,
                                            kKeyFileLabelHash};
  for (size_t i = 0; i < 7; ++i) {
    if (lines[2 * i] != kLabels[i]) return Unusable(kTextKeyFileWrongFormat);
  }
  KeyFileFields fields;
  fields.user_name = lines[1];
  fields.cache_server_marker = lines[3];
  fields.server_name = lines[5];
  fields.key_file_type = lines[7];
  fields.expires = lines[9];
  fields.key = lines[11];
  fields.hash = lines[13];
  if (KeyFileChecksum(fields) != fields.hash) return Unusable(kTextKeyFileChecksumFailed);

  // The key is the last 32 characters of its line; a shorter line holds no
  // key and must not be read past its start.
  uint8_t protected_key[kChannelKeySize];
  if (!HexTextDecode16(fields.key, protected_key)) return Unusable(kTextKeyFileWrongFormat);
  KeyFileInfo info;
  ProtectionCipher().Decipher(protected_key, info.user_key.data(), kChannelKeySize);

  if (!ParseKeyFileExpiry(fields.expires, &info.never_expires, &info.expires)) {
    return Unusable(kTextKeyFileWrongExpiry);
  }
  info.usable = true;
  info.server_name = std::move(fields.server_name);
  info.user_name = std::move(fields.user_name);
  info.description = kTextCompleted;
  return info;
}

KeyFileInfo ReadKeyFile(const std::string& path) {
  platform::SequentialFile file;
  if (file.Open(path) != 0) return Unusable(std::string(kTextKeyFileOpenError) + path);
  std::string text;
  char piece[4096];
  while (true) {
    int error = 0;
    const int64_t count = file.Read(piece, sizeof(piece), &error);
    if (count < 0 || text.size() + static_cast<size_t>(count) > kMaxKeyFileSize) {
      return Unusable(std::string(kTextKeyFileReadError) + path);
    }
    if (count == 0) break;
    text.append(piece, static_cast<size_t>(count));
  }
  return ParseKeyFile(text, path);
}

std::string FormatKeyFile(KeyFileFields fields, const ChannelKey& user_key) {
  fields.key = ProtectUserKey(user_key);
  fields.hash = KeyFileChecksum(fields);
  const std::pair<const char*, const std::string*> lines[] = {
      {kKeyFileLabelUserName, &fields.user_name},
      {kKeyFileLabelIsCacheServer, &fields.cache_server_marker},
      {kKeyFileLabelServerName, &fields.server_name},
      {kKeyFileLabelKeyFileTypeId, &fields.key_file_type},
      {kKeyFileLabelExpires, &fields.expires},
      {kKeyFileLabelKey, &fields.key},
      {kKeyFileLabelHash, &fields.hash}};
  std::string text;
  for (const auto& [label, value] : lines) {
    text.append(label).append("\r\n").append(*value).append("\r\n");
  }
  return text;
}

ChannelKey ChooseUserKey(const std::vector<std::string>& file_names, std::string_view server,
                         std::string_view user) {
  for (const std::string& name : file_names) {
    const std::string_view trimmed = TrimBlanks(name);
    if (trimmed.empty()) continue;
    const KeyFileInfo info = ReadKeyFile(std::string(trimmed));
    if (!info.usable) continue;
    if (EqualsIgnoringAsciiCase(info.server_name, server) &&
        EqualsIgnoringAsciiCase(info.user_name, user)) {
      return info.user_key;
    }
  }
  return ChannelKey{};
}

}  // namespace qorv
