// The server's side of the delta forms of commands 64 and 65 (one file per
// batch; docs/protocol.md section 5). Up to three attempts; after the third
// failed one, or when no old version is held, the body travels whole.
#ifndef QORV_SERVER_DELTA_EXCHANGE_H_
#define QORV_SERVER_DELTA_EXCHANGE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "server/body_reader.h"
#include "server/body_transfer.h"
#include "server/database.h"
#include "server/frame_channel.h"
#include "server/held_bodies.h"
#include "server/upload_spool.h"

namespace qorv::server {

inline constexpr int kDeltaAttempts = 3;

enum class DeltaEnd {
  kDone,          // the file travelled as a delta
  kWholeFollows,  // the body is to travel whole now
  kClose,         // the stream is out of step: close the connection
};

// Command 65: the client says whether it holds a local copy, sends its
// digest, and gets the delta of the new version, which `open_body` opens
// afresh for each scan. The digest and delta files travel in `form`, the
// batch's.
using OpenBody = std::function<bool(std::unique_ptr<BodyReader>* reader)>;
DeltaEnd ServeDownloadDelta(FrameChannel& channel, BodyForm form, const OpenBody& open_body);

// Command 64: `old` is the file and line-ending mode command 80 announced
// for the entry's index (none: no old version held) in `database`. On
// kDone, *rebuilt is the new file of `announced_size` bytes, in the spool
// folder.
DeltaEnd ServeUploadDelta(FrameChannel& channel, BodyForm form, Database* database,
                          const std::optional<HeldBodies::CheckinEntry>& old,
                          int64_t announced_size, std::shared_ptr<SpoolFile>* rebuilt);

}  // namespace qorv::server

#endif  // QORV_SERVER_DELTA_EXCHANGE_H_
