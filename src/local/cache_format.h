// The text form of the local cache file (grammar in docs/cache-file.md).
#ifndef QORV_LOCAL_CACHE_FORMAT_H_
#define QORV_LOCAL_CACHE_FORMAT_H_

#include <string>
#include <string_view>

#include "local/cache_model.h"

namespace qorv {

inline constexpr char kCacheVersionPrefix[] = "$$$Version: ";
// Written; read with the 5.3 layout as is "5.3".
inline constexpr char kCacheVersionWritten[] = "5.3.1";
inline constexpr char kCacheVersionCurrent[] = "5.3";
// Read only: file entries of five lines and no local copies.
inline constexpr char kCacheVersionOld[] = "5.2";
// The digest line of a file entry, written as it is and ignored on reading.
inline constexpr char kCacheDigestLine[] = "0x00000000000000000000000000000000";
// Introduces a local copy of a file entry (letter case ignored on reading).
inline constexpr char kCacheLocalCopyTag[] = "map";
// The flags line: bit 1 (value 2) marks a cloaked project.
inline constexpr int kCacheCloakedFlag = 2;

// The whole file for `model`. Lines end with "\n". Text values cannot hold a
// line break: one in a text field or a folder is written as a space.
std::string FormatCacheText(const CacheModel& model);

// Reads `text` into `model`, which the caller has cleared. Lines may end with
// "\n" or "\r\n". Returns false when the text is not a cache file of a known
// version or breaks the grammar; the model then holds what was read up to the
// fault.
bool ParseCacheText(std::string_view text, CacheModel* model);

}  // namespace qorv

#endif  // QORV_LOCAL_CACHE_FORMAT_H_
