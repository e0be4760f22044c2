// Blowfish user key files: the small text files that hand a user the 16-byte
// key of a Blowfish-protected server (encryption mode 1).
//
// A file is fourteen lines, seven label/value pairs in this order (the
// grammar is in docs/key-file.md):
//   ***UserName       user name
//   ***IsCacheServer  cache-server marker (only covered by the checksum)
//   ***ServerName     server name or address
//   ***KeyFileTypeID  key-file type (only covered by the checksum)
//   ***Expires        "Never" or year/month/day
//   ***Key            "0x" + 32 upper-case hex digits: the user key enciphered
//                     with Blowfish under the 4-byte protection key "fyrn"
//   ***Hash           "0x" + 32 upper-case hex digits: MD4 of
//                     "qzvkwm" + the six values above in order + "tjxdp"
//
// The client reads them at login (ReadKeyFile, ChooseUserKey); the reference
// server issues them (FormatKeyFile).
#ifndef QORV_NET_KEY_FILE_H_
#define QORV_NET_KEY_FILE_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "net/blowfish_message.h"

namespace qorv {

inline constexpr char kKeyFileLabelUserName[] = "***UserName";
inline constexpr char kKeyFileLabelIsCacheServer[] = "***IsCacheServer";
inline constexpr char kKeyFileLabelServerName[] = "***ServerName";
inline constexpr char kKeyFileLabelKeyFileTypeId[] = "***KeyFileTypeID";
inline constexpr char kKeyFileLabelExpires[] = "***Expires";
inline constexpr char kKeyFileLabelKey[] = "***Key";
inline constexpr char kKeyFileLabelHash[] = "***Hash";
inline constexpr size_t kKeyFileLineCount = 14;

inline constexpr char kKeyFileChecksumPrefix[] = "qzvkwm";
inline constexpr char kKeyFileChecksumSuffix[] = "tjxdp";
// Used as a 4-byte Blowfish key.
inline constexpr char kKeyFileProtectionKey[] = "fyrn";
inline constexpr char kKeyFileNeverExpires[] = "Never";

// The values the server writes where the meaning is its own: not a cache
// server, key-file type 1.
inline constexpr char kKeyFileDefaultCacheServerMarker[] = "0";
inline constexpr char kKeyFileDefaultType[] = "1";

// A key file is a few hundred bytes; a file beyond this is no key file and
// is refused as unreadable instead of being loaded whole.
inline constexpr size_t kMaxKeyFileSize = 65536;

// The seven values of a key file as they stand on its even lines.
struct KeyFileFields {
  std::string user_name;
  std::string cache_server_marker;
  std::string server_name;
  std::string key_file_type;
  std::string expires;
  std::string key;
  std::string hash;
};

// Why a key file is not used. These never reach a caller: a login only
// passes over a file that cannot be used (see ChooseUserKey).
inline constexpr char kTextKeyFileOpenError[] = "Error opening Blowfish user key file ";
inline constexpr char kTextKeyFileReadError[] = "Error reading Blowfish user key file ";
inline constexpr char kTextKeyFileWrongFormat[] = "Wrong Blowfish user key file format";
inline constexpr char kTextKeyFileChecksumFailed[] = "Unable to verify hash checksum";
inline constexpr char kTextKeyFileWrongExpiry[] = "Wrong registry Blowfish user key format";

// The outcome of reading one key file. When `usable` is false only
// `description` means anything.
struct KeyFileInfo {
  bool usable = false;
  ChannelKey user_key{};
  std::string server_name;
  std::string user_name;
  bool never_expires = false;
  double expires = 0;  // OLE date of 00:00 of the expiry day, unless never_expires
  std::string description;
};

// "0x" + the upper-case hex MD4 of prefix + the six values + suffix.
std::string KeyFileChecksum(const KeyFileFields& fields);

// The Key line for a user key: "0x" + hex of the key enciphered under the
// protection key (two blocks, electronic codebook).
std::string ProtectUserKey(const ChannelKey& key);

// "Never" sets *never_expires. Otherwise a date year/month/day: four digits,
// "/", one or two digits, "/", one or two digits, a real calendar day of the
// years 100 to 9999, giving *expires (00:00 of that day). False when the
// text is neither.
bool ParseKeyFileExpiry(std::string_view text, bool* never_expires, double* expires);

// Reads the text of a key file (lines end with LF or CR LF). `file_name`
// only fills the read-failure text.
KeyFileInfo ParseKeyFile(std::string_view text, std::string_view file_name);

// Opens and reads one key file. Never throws.
KeyFileInfo ReadKeyFile(const std::string& path);

// The text of a key file for the given values: `fields.key` and `fields.hash`
// are ignored and computed from `user_key`. Lines end with CR LF.
std::string FormatKeyFile(KeyFileFields fields, const ChannelKey& user_key);

// The key used by a login: the key of the first file of `file_names` (each
// trimmed of white space at both ends; empty names skipped) that is usable
// and was issued for `server` and `user` (both compared without regard to
// case); 16 zero bytes when none is. Failures of single files are not
// reported: they only make the file unusable.
ChannelKey ChooseUserKey(const std::vector<std::string>& file_names, std::string_view server,
                         std::string_view user);

}  // namespace qorv

#endif  // QORV_NET_KEY_FILE_H_
