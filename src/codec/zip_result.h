// The outcome of packing or unpacking a one-entry ZIP archive: the failure
// code of the step (401 packing, 402 unpacking, 0 on success), the result
// number of the packing or unpacking step and its text from the message
// tables below.
#ifndef QORV_CODEC_ZIP_RESULT_H_
#define QORV_CODEC_ZIP_RESULT_H_

#include <cstdint>
#include <string>

namespace qorv {

inline constexpr int32_t kZipPackFailure = 401;
inline constexpr int32_t kZipUnpackFailure = 402;

// Packing result numbers this code produces.
enum ZipPackResult : int32_t {
  kZipOk = 0,
  kZipStructureInvalid = 3,
  kZipOutOfMemory = 4,
  kZipCanceled = 9,
  kZipInputReadFailure = 11,
  kZipOutputWriteFailure = 14,
};

// Unpacking result numbers this code produces.
enum ZipUnpackResult : int32_t {
  kUnzipOk = 0,
  kUnzipUnexpectedEnd = 2,
  kUnzipStructureInvalid = 3,
  kUnzipOutOfMemory = 4,
  kUnzipBadCrc = 39,
  kUnzipCanceled = 40,
  kUnzipEncrypted = 41,
  kUnzipUnknownMethod = 42,
  kUnzipDiskFull = 50,
};

// The texts of the packing and unpacking results; empty for a number the
// tables do not hold.
std::string ZipMessage(int32_t result);
std::string UnzipMessage(int32_t result);

struct ZipResult {
  int32_t code = 0;            // 0, kZipPackFailure or kZipUnpackFailure
  int32_t library_result = 0;  // the packing or unpacking result number
  std::string text;
  bool ok() const { return code == 0; }

  static ZipResult Packed() { return {0, kZipOk, ZipMessage(kZipOk)}; }
  static ZipResult Unpacked() { return {0, kUnzipOk, UnzipMessage(kUnzipOk)}; }
  static ZipResult PackFailure(int32_t result) {
    return {kZipPackFailure, result, ZipMessage(result)};
  }
  static ZipResult UnpackFailure(int32_t result) {
    return {kZipUnpackFailure, result, UnzipMessage(result)};
  }
};

}  // namespace qorv

#endif  // QORV_CODEC_ZIP_RESULT_H_
