#include "local/file_digest.h"

#include <exception>
#include <memory>

#include "local/file_layer.h"
#include "net/md5.h"

namespace qorv {

void ReadFileInPieces(const std::string& path,
                      const std::function<void(const uint8_t* data, size_t size)>& feed) {
  FileLayer& files = FileLayer::Shared();
  std::unique_ptr<platform::OpenFile> file =
      files.Open(path, platform::FileAccess::kRead, platform::FileCreation::kOpenExisting,
                 platform::FileSharing::kShared);
  // One zeroed buffer per call.
  std::unique_ptr<uint8_t[]> piece(new uint8_t[kDigestPieceSize]());
  for (;;) {
    // Fill the piece completely unless the file ends, so that every piece but
    // the last is exactly kDigestPieceSize bytes.
    size_t filled = 0;
    while (filled < kDigestPieceSize) {
      size_t read = files.Read(*file, path, piece.get() + filled, kDigestPieceSize - filled);
      if (read == 0) break;
      filled += read;
    }
    if (filled > 0) feed(piece.get(), filled);
    if (filled < kDigestPieceSize) return;
  }
}

FileDigest DigestOfFile(const std::string& path) {
  FileDigest digest;
  try {
    Md5 md5;
    ReadFileInPieces(path, [&md5](const uint8_t* data, size_t size) { md5.Update(data, size); });
    md5.Final(digest.bytes.data());
  } catch (const CQORException& error) {
    digest = FileDigest{kResultChecksumFailed, error.message(), {}};
  } catch (const std::exception&) {
    digest = FileDigest{kResultChecksumFailed, kTextChecksumFailed, {}};
  }
  return digest;
}

}  // namespace qorv
