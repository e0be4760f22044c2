// Scratch files of the transfer connections (the old version, digest,
// delta-information and rebuilt files of a delta exchange), kept in the
// spool folder and removed when their last holder lets go, and the two
// functions through which the digest and delta-information files travel
// as bodies, in the form of their batch (server/body_transfer.h).
#ifndef QORV_SERVER_BODY_FILES_H_
#define QORV_SERVER_BODY_FILES_H_

#include <cstdint>
#include <memory>
#include <string>

#include "codec/delta_format.h"
#include "platform/file.h"
#include "server/body_transfer.h"
#include "server/frame_channel.h"
#include "server/upload_spool.h"

namespace qorv::server {

struct ScratchFile {
  std::shared_ptr<SpoolFile> holder;  // removes the file when the last holder goes
  platform::File file;                // open for reading and writing

  // A new empty file in the spool folder; false with the reason in *error.
  bool Create(SpoolFolder& spool, std::string* error);
  // Its size, or -1 when it cannot be read.
  int64_t Size();
  // The file as the delta codec reads and writes it (reads from the current
  // position; ReadAt seeks).
  DeltaRead Reader();
  DeltaReadAt RandomReader();
  DeltaWrite Writer();
};

// Sends the whole of `file` as a body. False when the connection is to
// close.
bool SendFileAsBody(FrameChannel& channel, ScratchFile& file, BodyForm form);

// Receives a body of at most `max_size` bytes into `file` (written from its
// current position) and goes back to its start; *size is its length. False
// when the body cannot be read or written: the connection is to close.
bool ReceiveBodyIntoFile(FrameChannel& channel, ScratchFile& file, uint64_t max_size, BodyForm form,
                         uint64_t* size);

}  // namespace qorv::server

#endif  // QORV_SERVER_BODY_FILES_H_
