// The server's side of one body on a transfer connection, in either form:
// plain (the bytes themselves) or compressed (a one-entry deflate ZIP
// archive of them, packed and unpacked through spool files). Every body the
// transfer connection moves (the batches of 64 and 65, and the digest and
// delta-information files of the delta form) goes through SendBodyFrom and
// ReceiveBodyInto.
#ifndef QORV_SERVER_BODY_TRANSFER_H_
#define QORV_SERVER_BODY_TRANSFER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "server/frame_channel.h"
#include "server/upload_spool.h"

namespace qorv::server {

enum class BodyForm { kPlain, kCompressed };

// Up to `length` bytes of the body to send into `buffer`; *got is 0 at its
// end. False: the bytes cannot be had (the connection is then closed).
using BodyPieceReader = std::function<bool(char* buffer, size_t length, size_t* got)>;
// The next `length` bytes of a received body (unpacked, when compressed).
using BodyPieceWriter = std::function<void(const uint8_t* bytes, size_t length)>;

// Sends the `size` bytes `read` gives as one body: plain, or packed into a
// spool file first and that archive sent plain. False when the connection
// is to close (a read, pack or send failure, fewer bytes than `size`).
bool SendBodyFrom(FrameChannel& channel, BodyForm form, uint64_t size, const BodyPieceReader& read,
                  SpoolFolder& spool);

struct BodyReceipt {
  // False: the body could not be read to its end; the connection is out of
  // step and closes.
  bool in_step = false;
  // The body was read whole but cannot be used (an archive that does not
  // unpack, a spool file that cannot be written): the text to answer with.
  std::string failure;
  // The bytes handed to the writer.
  uint64_t size = 0;
};

// Receives one body and hands its bytes to `write` (which may be empty:
// the body is then read and dropped). Compressed: the archive goes to a
// spool file, and its entry, which may unpack to at most `max_size` bytes,
// is unpacked to `write` once the body is in.
BodyReceipt ReceiveBodyInto(FrameChannel& channel, BodyForm form, uint64_t max_size,
                            const BodyPieceWriter& write, SpoolFolder& spool);

}  // namespace qorv::server

#endif  // QORV_SERVER_BODY_TRANSFER_H_
