// The one-entry ZIP codec over strings, for tests: an archive packed from
// bytes in memory and unpacked back into memory, and the external tools
// (unzip, python3) found on the PATH.
#ifndef QORV_TESTS_SUPPORT_ZIP_MEMORY_H_
#define QORV_TESTS_SUPPORT_ZIP_MEMORY_H_

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "codec/zip_archive.h"

namespace qorv::testing {

inline std::string PackToString(const std::string& bytes, const ZipPackOptions& options = {},
                                ZipResult* result = nullptr) {
  std::string archive;
  size_t read_at = 0;
  ZipPackIo io;
  io.read = [&](uint8_t* into, size_t capacity, size_t* got) {
    *got = std::min(capacity, bytes.size() - read_at);
    std::memcpy(into, bytes.data() + read_at, *got);
    read_at += *got;
    return true;
  };
  io.write = [&](const uint8_t* from, size_t count) {
    archive.append(reinterpret_cast<const char*>(from), count);
    return true;
  };
  io.rewrite = [&](uint64_t offset, const uint8_t* from, size_t count) {
    if (offset + count > archive.size()) return false;
    std::memcpy(archive.data() + offset, from, count);
    return true;
  };
  const ZipResult packed = PackZip(io, options);
  if (result != nullptr) *result = packed;
  return archive;
}

inline ZipResult UnpackFromString(const std::string& archive, std::string* out,
                                  uint64_t max_size = UINT64_MAX, zip::Entry* entry = nullptr) {
  out->clear();
  ZipUnpackIo io;
  io.archive_size = archive.size();
  io.read_at = [&](uint64_t offset, uint8_t* into, size_t count) {
    if (offset > archive.size() || count > archive.size() - offset) return false;
    std::memcpy(into, archive.data() + offset, count);
    return true;
  };
  io.write = [&](const uint8_t* from, size_t count) {
    out->append(reinterpret_cast<const char*>(from), count);
    return true;
  };
  io.max_size = max_size;
  return UnpackZip(io, entry);
}

// The full path of `program` on the PATH; empty when it is not there.
inline std::string FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    const size_t end = std::min(folders.find(':', start), folders.size());
    const std::filesystem::path candidate =
        std::filesystem::path(folders.substr(start, end - start)) / program;
    std::error_code ignored;
    if (end > start && std::filesystem::is_regular_file(candidate, ignored)) {
      return candidate.string();
    }
    start = end + 1;
  }
  return {};
}

}  // namespace qorv::testing

#endif  // QORV_TESTS_SUPPORT_ZIP_MEMORY_H_
