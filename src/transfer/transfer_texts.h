// The per-file texts of the file phase: what an entry of a transfer list
// carries as its result text, and the codes that go with the failures.
#ifndef QORV_TRANSFER_TRANSFER_TEXTS_H_
#define QORV_TRANSFER_TRANSFER_TEXTS_H_

#include <cstdint>
#include <string>

#include "qorvsdk/result_codes.h"

namespace qorv {

// A failure (or success) of one step of a transfer: its code and text.
struct TransferOutcome {
  int32_t code = kResultOk;
  std::string text;
  bool ok() const { return code == kResultOk; }
};

inline constexpr char kTextLocalTempFileFailed[] = "Error creating local temp file.";
inline constexpr char kTextOpeningLocalFileFailed[] = "Error opening local file";
inline constexpr char kTextFileTooLarge[] = "File too large to transfer";
// The file's size or last-write time changed while its body was read: what
// was read may be neither the old content nor the new one, so it is not sent.
inline constexpr char kTextFileChangedWhileRead[] = "The file changed while it was being read";
inline constexpr char kTextFileReceived[] = "File received successfully";
inline constexpr char kTextFileSent[] = "File sent successfully";
// A full disk while a received body is written: the file-layer code of a
// full disk with a text of its own.
inline constexpr int32_t kResultOutOfDiskSpace = kFileErrorDiskFull;
inline constexpr char kTextOutOfDiskSpace[] = "Out of disk space while receiving file";
// 12005: a reply, body or dates message that does not fit the batch it
// answers (a wrong count, a body of another size than its files).
inline constexpr char kTextBatchMismatch[] =
    "The server's answer does not match the files requested";

}  // namespace qorv

#endif  // QORV_TRANSFER_TRANSFER_TEXTS_H_
